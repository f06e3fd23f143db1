#pragma once
// The names that the update server, the manifest, the publisher and the installation
// share, in one place: what a manifest and a server folder are made of, and the names the
// updater keeps for its own files beside the program.

namespace vocabulary {

// The program an installation is about; its "FileVersion" is the installed version.
inline constexpr char kMainFileName[] = "Quillet.exe";

// The manifest, and how every file travels: served under its name with this suffix.
inline constexpr char kManifestName[] = "update.ini";
inline constexpr char kTransferSuffix[] = ".rar";

// The manifest's sections and keys.
inline constexpr char kConfSection[] = "conf";
inline constexpr char kHostKey[] = "host";
inline constexpr char kPathKey[] = "path";
inline constexpr char kCurrVersionKey[] = "curr_version";  // the newest release
inline constexpr char kLastVersionKey[] = "last_version";  // the installed release, written by the updater
// A release's section: this prefix followed by its version text.
inline constexpr char kReleaseSectionPrefix[] = "files_ver_";

// The updater's own files, which no manifest entry may reach. Everything downloaded is
// staged in the staging folder under the program directory; the staged manifest and the
// installation journal live there too. An installation puts each new file beside its
// destination under the destination's name with kNewSuffix, and keeps the old one under
// the name with kKeptSuffix until every file is in place.
inline constexpr char kStagingDirName[] = "cache";
inline constexpr char kJournalName[] = "install.journal";
inline constexpr char kNewSuffix[] = ".quillet-new";
inline constexpr char kKeptSuffix[] = ".quillet-old";
// A journal that the updater would not follow is kept under this name, for whoever looks.
inline constexpr char kSetAsideJournalName[] = "install.journal.rejected";
// Held by the updater from a check to the end of its installation.
inline constexpr char kLockName[] = "update.lock";
// The manifest's detached signature, and what the updater remembers of the manifests it
// trusted (the highest serial).
inline constexpr char kSignatureName[] = "update.ini.sig";
inline constexpr char kTrustStateName[] = "trust.state";

// The updater's own files in the staging folder: a manifest entry of one of these names
// would be staged over it.
inline constexpr const char *kOwnStagedFiles[] = {kManifestName,        kSignatureName, kJournalName,
                                                  kSetAsideJournalName, kLockName,      kTrustStateName};
// Name endings an installation gives its own files beside each destination.
inline constexpr const char *kOwnSuffixes[] = {kNewSuffix, kKeptSuffix};

}  // namespace vocabulary
