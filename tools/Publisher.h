#pragma once
#include <cstdint>

#include "crypto/Keys.h"
#include "engine/ManifestTrust.h"
#include "tools/ManifestText.h"
#include <functional>
#include <string>
#include <vector>

struct PublishOptions {
  std::string ServerDir;   // the folder the web server serves as the base URL
  std::string ReleaseDir;  // the complete program directory of the new release
  std::string Version;     // empty: the "FileVersion" of the release's Quillet.exe
  // Private key files to sign with; none for an unsigned folder.
  std::vector<std::string> KeyFiles;
  int ValidDays = 30;  // how long a signed manifest stays valid
  // No release: the current manifest signed again with a new serial and expiry.
  bool Refresh = false;
  // The lowest serial to sign with; 0: one above the folder's manifest's.
  std::uint64_t MinSerial = 0;
  // Release folders that vouch for a folder whose signature the keys do not verify: every
  // file the manifest lists must be served exactly as one of them holds it.
  std::vector<std::string> AdoptFrom;
};

// One file that a release adds to the server or changes there.
struct PublishedFile {
  std::string Name;  // as the manifest names it, "/" between directories
  std::uint64_t Size;
  bool Added;  // no copy was published before
  std::string Source;  // its path in the release folder
};

// Turns a release folder into what the update server serves. The server folder holds
// every published file as its name + ".rar" and the manifest as "update.ini.rar"; each
// release adds a section "files_ver_" + version listing the files whose content differs
// from the published copy, as the newest release section, and becomes "curr_version".
//
// Plan() examines everything and changes nothing; Apply() then writes. Every file is
// written under a temporary name first, and only when all of them are complete are they
// renamed into place: the release's files, then the signature file, then the manifest, so
// that a client never reads a half-written file or a manifest naming a file that is not
// there yet, and the signature file always holds a signature of the manifest beside it.
//
// With keys, the manifest is signed (ManifestTrust.h): a new serial, an expiry, and the size
// and hash of every file it lists, this release's from the release folder and the older
// ones carried over once the served copy is checked against them. Once a folder is signed,
// publishing without keys is refused, and so is signing a folder whose manifest no
// signature of the keys verifies (someone may have changed it), unless release folders
// given to adopt it vouch for every served file. Serials only grow: a new one is above the
// folder's manifest's, verified or not.
class Publisher {
 public:
  // Reads a program file's "FileVersion" (empty when it has none).
  using VersionReader = std::function<std::string(const std::string &path)>;

  Publisher(PublishOptions options, VersionReader readVersion);

  // Decides the version and the files to publish. False when publishing is refused;
  // Problems() then says why, one line per reason.
  bool Plan();
  // Publishes what Plan() decided. False when writing failed; Problems() says what.
  bool Apply();

  const std::string &Version() const { return version_; }
  // The new manifest's signed serial and expiry, when it is signed.
  bool Signed() const { return !newSignature_.empty(); }
  std::uint64_t Serial() const;
  std::string Expires() const;
  const std::vector<PublishedFile> &Files() const { return files_; }
  std::uint64_t TotalBytes() const;
  const std::vector<std::string> &Problems() const { return problems_; }
  // Doubts that do not stop publishing.
  const std::vector<std::string> &Warnings() const { return warnings_; }

 private:
  struct SourceFile {
    std::string Name;
    std::string Path;
  };

  void CollectRelease(const std::string &dir, const std::string &prefix, std::vector<SourceFile> &out);
  void CheckNames(const std::vector<SourceFile> &release);
  void DecideVersion();
  void CheckManifest();
  void CompareWithServer(const std::vector<SourceFile> &release);
  void CheckPathClashes();
  bool StageFiles(std::vector<std::string> &staged, std::vector<std::string> &createdDirs);
  bool StageManifest(const std::string &staged);
  // Signs incoming, the manifest Apply is to publish, when keys are given.
  void PlanSignature(std::string incoming);
  // What vouches for the served copies of files that this publication does not bring.
  enum class Voucher { kNewFolder, kSignedFacts, kAdoptedReleases };
  // The size and hash to sign for each name the new manifest lists.
  bool FileHashes(const ManifestText &incoming, Voucher voucher, const trust::TSignedFacts &outgoing,
                  std::vector<std::string> &values);
  // The size and hash of name as the newest release folder given to adopt the folder that
  // holds it has it, when that equals served; false, with the problem, otherwise.
  bool HashFromAdoptedRelease(const std::string &name, const trust::TSignedFile &served, trust::TSignedFile &file);
  bool NextSerial(std::uint64_t &serial);
  void Discard(const std::vector<std::string> &staged, const std::vector<std::string> &createdDirs);
  std::string ServerPath(const std::string &name) const;

  PublishOptions options_;
  VersionReader readVersion_;
  std::string version_;
  std::string manifest_;   // the published manifest's text, empty when there is none
  std::string signature_;  // the published signature file, empty when there is none
  std::vector<crypto::PrivateKey> keys_;
  std::string newManifest_;   // what Apply publishes
  std::string newSignature_;  // empty when the manifest is not signed
  std::vector<PublishedFile> files_;
  std::vector<std::string> problems_;
  std::vector<std::string> warnings_;
};
