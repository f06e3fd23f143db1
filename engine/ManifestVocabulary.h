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

}  // namespace vocabulary
