#include "tools/Publisher.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "core/CaseIndex.h"
#include "engine/ManifestVocabulary.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "ini/Profile.h"
#include "ini/ProfileEncoding.h"
#include "sys/TextCase.h"
#include "engine/ManifestNames.h"
#include "tools/ManifestText.h"
#include "tools/Signing.h"
#include "tools/PublishNames.h"

namespace {

using vocabulary::kMainFileName;
using vocabulary::kManifestName;
using vocabulary::kTransferSuffix;
// Appended to a file's server name while it is being written.
const char kStagingSuffix[] = ".publishing";

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// The size of the file at path, or -1 when it cannot be opened for reading (the system's
// reason then stands for sys::LastErrorText).
std::int64_t FileSize(const std::string &path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? std::int64_t(in.tellg()) : -1;
}

bool SameContent(const std::string &a, const std::string &b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  if (!first || !second) return false;
  char left[65536], right[sizeof left];
  for (;;) {
    first.read(left, sizeof left);
    second.read(right, sizeof right);
    if (first.gcount() != second.gcount()) return false;
    if (!std::equal(left, left + first.gcount(), right)) return false;
    if (first.gcount() < std::streamsize(sizeof left)) return first.eof() && second.eof();
  }
}

// "a/b/c" -> "a", "a/b": the directories a name lies in, outermost first.
std::vector<std::string> Directories(const std::string &name) {
  std::vector<std::string> dirs;
  for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
    dirs.push_back(name.substr(0, slash));
  }
  return dirs;
}

}  // namespace

Publisher::Publisher(PublishOptions options, VersionReader readVersion)
    : options_(std::move(options)), readVersion_(std::move(readVersion)) {
  options_.ServerDir = sys::WithTrailingSeparator(options_.ServerDir);
  options_.ReleaseDir = sys::WithTrailingSeparator(options_.ReleaseDir);
  for (std::string &dir : options_.AdoptFrom) dir = sys::WithTrailingSeparator(dir);
}

std::uint64_t Publisher::Serial() const {
  std::uint64_t serial = 0;
  std::istringstream(ManifestText(newManifest_).Profile().ReadValue(vocabulary::kConfSection, trust::kSerialKey, "")) >>
      serial;
  return serial;
}

std::string Publisher::Expires() const {
  return ManifestText(newManifest_).Profile().ReadValue(vocabulary::kConfSection, trust::kExpiresKey, "");
}

std::uint64_t Publisher::TotalBytes() const {
  std::uint64_t total = 0;
  for (const PublishedFile &file : files_) total += file.Size;
  return total;
}

std::string Publisher::ServerPath(const std::string &name) const { return options_.ServerDir + sys::ToLocalPath(name); }

bool Publisher::Plan() {
  version_.clear();
  manifest_.clear();
  signature_.clear();
  newManifest_.clear();
  newSignature_.clear();
  files_.clear();
  problems_.clear();
  warnings_.clear();

  if (!LoadSigningKeys(options_.KeyFiles, keys_, problems_)) return false;
  if (options_.Refresh) {
    CheckManifest();
    if (problems_.empty() && manifest_.empty()) problems_.push_back("the server folder holds no manifest to refresh");
    if (!problems_.empty()) return false;
    version_ = ManifestText(manifest_).CurrVersion();
    PlanSignature(manifest_);
    return problems_.empty();
  }
  if (!sys::DirectoryExists(options_.ReleaseDir)) {
    problems_.push_back("the release folder " + Quoted(options_.ReleaseDir) + " does not exist");
    return false;
  }
  // Without its separator: "file/" names no file.
  if (sys::FileExists(options_.ServerDir.substr(0, options_.ServerDir.size() - 1))) {
    problems_.push_back("the server folder " + Quoted(options_.ServerDir) + " is a file");
    return false;
  }
  std::vector<SourceFile> release;
  CollectRelease(options_.ReleaseDir, std::string(), release);
  std::sort(release.begin(), release.end(), [](const SourceFile &a, const SourceFile &b) { return a.Name < b.Name; });
  if (release.empty() && problems_.empty()) problems_.push_back("the release folder holds no files");

  CheckNames(release);
  DecideVersion();
  CheckManifest();
  if (!problems_.empty()) return false;

  CompareWithServer(release);
  CheckPathClashes();
  if (problems_.empty() && files_.empty()) {
    problems_.push_back("the release changes nothing: every file equals its published copy");
  }
  if (!problems_.empty()) return false;
  std::vector<std::string> names;
  for (const PublishedFile &file : files_) names.push_back(file.Name);
  PlanSignature(ManifestText(manifest_).WithNewRelease(version_, names));
  return problems_.empty();
}

void Publisher::PlanSignature(std::string incoming) {
  newManifest_ = std::move(incoming);
  const ManifestText outgoingText(manifest_);
  const bool carriesSignedFacts = trust::CarriesSignedFacts(outgoingText.Profile());
  if (keys_.empty()) {
    if (!signature_.empty() || carriesSignedFacts) {
      problems_.push_back("the published manifest is signed: publishing without --key would leave clients that trust "
                          "the key unable to update");
    }
    return;
  }
  const std::string adoptHint =
      "; if the folder is yours as it stands, sign it on purpose with --adopt-unsigned RELEASE_DIR for each earlier "
      "release folder, oldest first: the newest of them that holds a listed file must hold it exactly as it is served";
  trust::TSignedFacts outgoing;
  Voucher voucher = Voucher::kNewFolder;
  if (!manifest_.empty() && !trust::LinesVerifiedBy(manifest_, signature_, PublicHalves(keys_)).empty()) {
    // What the keys signed vouches best, release folders given or not.
    std::string problem;
    if (!trust::ReadSignedFacts(outgoingText.Profile(), outgoing, problem)) {
      problems_.push_back("the published manifest: " + problem);
      return;
    }
    voucher = Voucher::kSignedFacts;
  } else if (!options_.AdoptFrom.empty()) {
    voucher = Voucher::kAdoptedReleases;
  } else if (!signature_.empty()) {
    problems_.push_back("the published manifest's signature does not verify with the given keys; give the key that "
                        "signed it too" + adoptHint);
    return;
  } else if (carriesSignedFacts) {
    // Someone may have removed the signature file after changing the folder: signing what
    // it serves now would vouch for their change.
    problems_.push_back(std::string("the published manifest carries signed facts (a serial, an expiry or file hashes) "
                                    "but the signature file ") + vocabulary::kSignatureName + kTransferSuffix +
                        " is missing: restore it from your copy of the folder" + adoptHint);
    return;
  } else if (options_.Refresh) {
    problems_.push_back("the server folder holds no signed manifest to refresh");
    return;
  } else if (!manifest_.empty()) {
    // Nothing vouches for what an unsigned folder serves: anyone may have changed it.
    problems_.push_back("the published manifest is not signed: nothing vouches for the files it serves" + adoptHint +
                        " (if this folder was signed before, restore its signature file instead, or also give the "
                        "next serial with --min-serial)");
    return;
  }
  std::uint64_t serial = 0;
  std::vector<std::string> values;
  if (!NextSerial(serial) || !FileHashes(ManifestText(newManifest_), voucher, outgoing, values)) return;
  newManifest_ = ManifestText(newManifest_)
                     .WithSignedFacts(serial,
                                      trust::FormatUtcTime(trust::NowUtc() + std::int64_t(options_.ValidDays) * 86400),
                                      values);
  if (!SignatureFileFor(manifest_, signature_, newManifest_, keys_, newSignature_)) {
    problems_.push_back("the system cannot sign with the given keys");
  }
}

bool Publisher::NextSerial(std::uint64_t &serial) {
  // Verified or not, the folder's serial may be one that installations accepted: a
  // lower one would make them refuse every later publication.
  const std::string text = ManifestText(manifest_).Profile().ReadValue(vocabulary::kConfSection, trust::kSerialKey, "");
  std::uint64_t published = 0;
  if (!text.empty() && !trust::ParseSerial(text, published) && options_.MinSerial == 0) {
    problems_.push_back("the published manifest's serial " + Quoted(text) +
                        " is no number; give the serial to sign with, above any you published, with --min-serial");
    return false;
  }
  if (published >= trust::kMaxSerial) {
    problems_.push_back("the published manifest's serial " + Quoted(text) + " cannot grow past its 19 digits");
    return false;
  }
  serial = std::max(published + 1, options_.MinSerial);
  return true;
}

bool Publisher::FileHashes(const ManifestText &incoming, Voucher voucher, const trust::TSignedFacts &outgoing,
                           std::vector<std::string> &values) {
  // Names the updater's file list holds as one get one entry.
  TCaseIndex seen;
  bool ok = true;
  for (const std::string &name : incoming.ListedNames()) {
    if (!seen.Insert(SlashedManifestName(name))) continue;
    trust::TSignedFile file;
    const auto released = std::find_if(files_.begin(), files_.end(), [&](const PublishedFile &f) { return f.Name == name; });
    if (released != files_.end()) {
      // This release's file, from the release folder.
      if (!HashFile(released->Source, file)) {
        problems_.push_back(sys::WithLastError("cannot read " + Quoted(released->Source)));
        ok = false;
        continue;
      }
    } else {
      // An older release's, as the server folder holds it: something must vouch for it.
      const std::string served = ServerPath(name + kTransferSuffix);
      if (!sys::FileExists(served)) {
        warnings_.push_back(Quoted(name) + " is listed by the manifest but not served: it gets no signed hash, and "
                            "an update that needs it is refused");
        continue;
      }
      if (!HashFile(served, file)) {
        problems_.push_back(sys::WithLastError("cannot read " + Quoted(served)));
        ok = false;
        continue;
      }
      if (voucher == Voucher::kAdoptedReleases) {
        if (!HashFromAdoptedRelease(name, file, file)) {
          ok = false;
          continue;
        }
      } else if (voucher == Voucher::kSignedFacts) {
        const trust::TSignedFile *signedFile = outgoing.Find(name);
        if (!signedFile) {
          problems_.push_back("the published manifest gives no size and hash for " + Quoted(name) + ": it cannot be "
                              "vouched for");
          ok = false;
          continue;
        }
        if (signedFile->Size != file.Size || signedFile->Sha256 != file.Sha256) {
          problems_.push_back("the served copy of " + Quoted(name) + " no longer matches its signed size and hash: "
                              "refusing to sign it");
          ok = false;
          continue;
        }
      }
    }
    file.Name = name;
    values.push_back(trust::FileHashValue(file));
    if (values.back().size() > ini::kMaxProfileValueLength) {
      problems_.push_back("the name " + Quoted(name) + " is too long for its signed hash entry");
      ok = false;
    }
  }
  return ok;
}

bool Publisher::HashFromAdoptedRelease(const std::string &name, const trust::TSignedFile &served,
                                       trust::TSignedFile &file) {
  // The newest release that holds the file says what it is now: an older release's copy,
  // served again in its place, would bring back what a later release replaced.
  for (auto dir = options_.AdoptFrom.rbegin(); dir != options_.AdoptFrom.rend(); ++dir) {
    const std::string candidate = *dir + sys::ToLocalPath(name);
    if (!sys::FileExists(candidate)) continue;
    trust::TSignedFile held;
    if (!HashFile(candidate, held)) {
      problems_.push_back(sys::WithLastError("cannot read " + Quoted(candidate)));
      return false;
    }
    if (held.Size != served.Size || held.Sha256 != served.Sha256) {
      problems_.push_back("the served copy of " + Quoted(name) + " is not the one in " + Quoted(*dir) +
                          ", the newest release folder given with --adopt-unsigned that holds it: refusing to sign it");
      return false;
    }
    file = held;
    return true;
  }
  problems_.push_back("the served copy of " + Quoted(name) +
                      " is in no release folder given with --adopt-unsigned: refusing to sign it");
  return false;
}

void Publisher::CollectRelease(const std::string &dir, const std::string &prefix, std::vector<SourceFile> &out) {
  std::vector<sys::DirectoryEntry> entries;
  if (!sys::ListDirectory(dir, entries)) {
    problems_.push_back(sys::WithLastError("cannot read the folder " + Quoted(dir)));
    return;
  }
  for (const sys::DirectoryEntry &entry : entries) {
    const std::string name = prefix + entry.Name;
    const std::string path = sys::WithTrailingSeparator(dir) + entry.Name;
    switch (entry.Type) {
      case sys::DirectoryEntry::Kind::Directory:
        CollectRelease(path, name + "/", out);
        break;
      case sys::DirectoryEntry::Kind::File:
        out.push_back({name, path});
        break;
      case sys::DirectoryEntry::Kind::Other:
        problems_.push_back(Quoted(name) + " is neither a file nor a folder (links to folders are not followed)");
        break;
    }
  }
}

void Publisher::CheckNames(const std::vector<SourceFile> &release) {
  // Windows, and the updater's file list, tell names apart without regard to case.
  std::map<std::string, std::string> byFoldedName;
  for (const SourceFile &file : release) {
    const std::string problem = PublishNameProblem(file.Name);
    if (!problem.empty()) problems_.push_back("cannot publish " + Quoted(file.Name) + ": the name " + problem);
    const auto [other, inserted] = byFoldedName.emplace(sys::LowerAscii(file.Name), file.Name);
    if (!inserted) {
      problems_.push_back(Quoted(other->second) + " and " + Quoted(file.Name) +
                          " differ only in case: Windows keeps one");
    }
    const std::int64_t size = FileSize(file.Path);
    if (size < 0) {
      problems_.push_back(sys::WithLastError("cannot read " + Quoted(file.Path)));
    } else if (size == 0) {
      problems_.push_back(Quoted(file.Name) + " is empty: the transfer cannot deliver an empty file");
    }
  }
}

void Publisher::DecideVersion() {
  const std::string mainFile = options_.ReleaseDir + kMainFileName;
  const std::string fileVersion = readVersion_(mainFile);
  version_ = options_.Version.empty() ? fileVersion : options_.Version;
  if (version_.empty()) {
    problems_.push_back(std::string("no version: the release's ") + kMainFileName +
                        " has no \"FileVersion\"; give one with --version");
    return;
  }
  const std::string problem = VersionTextProblem(version_);
  if (!problem.empty()) {
    problems_.push_back("the version " + Quoted(version_) + " " + problem);
    return;
  }
  if (fileVersion != version_) {
    // The updater takes the installed version from Quillet.exe; an installation brought to
    // this release would keep reporting the other version and be offered it again.
    warnings_.push_back(std::string("the release's ") + kMainFileName + " reports version " +
                        (fileVersion.empty() ? "none" : Quoted(fileVersion)) + ", not " + Quoted(version_) +
                        ": installations updated to it will be offered this release again");
  }
}

void Publisher::CheckManifest() {
  const std::string path = ServerPath(std::string(kManifestName) + kTransferSuffix);
  if (sys::DirectoryExists(path)) {
    problems_.push_back("the manifest " + Quoted(path) + " is a folder");
    return;
  }
  if (sys::FileExists(path) && !sys::ReadWholeFile(path, manifest_)) {
    problems_.push_back(sys::WithLastError("cannot read the manifest " + Quoted(path)));
    return;
  }
  const std::string signature = ServerPath(std::string(vocabulary::kSignatureName) + kTransferSuffix);
  if (sys::FileExists(signature) && !sys::ReadWholeFile(signature, signature_)) {
    problems_.push_back(sys::WithLastError("cannot read the signature file " + Quoted(signature)));
    return;
  }
  if (ini::EncodingOf(manifest_) != ini::ProfileEncoding::kNarrow) {
    problems_.push_back("the manifest " + Quoted(path) +
                        " is saved as UTF-16; save it as plain text (ASCII) so that it can be edited, then publish");
    return;
  }
  const ManifestText manifest(manifest_);
  if (manifest.ConfBetweenReleases()) {
    problems_.push_back(
        "the manifest has its \"conf\" section between release sections; the updater would read it "
        "as a release: move it before them");
  }
  if (!options_.Refresh && !version_.empty() &&
      (manifest.HasSection(vocabulary::kReleaseSectionPrefix + version_) || manifest.CurrVersion() == version_)) {
    problems_.push_back("version " + Quoted(version_) + " is already published");
  }
}

void Publisher::CompareWithServer(const std::vector<SourceFile> &release) {
  for (const SourceFile &file : release) {
    const std::string published = ServerPath(file.Name + kTransferSuffix);
    if (sys::DirectoryExists(published)) {
      problems_.push_back("cannot publish " + Quoted(file.Name) + ": the server holds a folder named " +
                          Quoted(file.Name + kTransferSuffix));
      continue;
    }
    const bool added = !sys::FileExists(published);
    if (!added && SameContent(file.Path, published)) continue;
    files_.push_back({file.Name, std::uint64_t(FileSize(file.Path)), added, file.Path});
  }
}

void Publisher::CheckPathClashes() {
  // A published file "x" lands as "x.rar"; a folder of that name, in this release or on
  // the server, cannot stand beside it.
  std::set<std::string> targets;
  for (const PublishedFile &file : files_) targets.insert(file.Name + kTransferSuffix);
  for (const PublishedFile &file : files_) {
    for (const std::string &dir : Directories(file.Name)) {
      if (targets.count(dir) || sys::FileExists(ServerPath(dir))) {
        problems_.push_back("cannot publish " + Quoted(file.Name) + ": its folder " + Quoted(dir) +
                            " clashes with a file of that name on the server");
        break;
      }
    }
  }
}

bool Publisher::Apply() {
  problems_.clear();
  std::vector<std::string> staged, createdDirs;
  const std::string manifest = ServerPath(std::string(kManifestName) + kTransferSuffix);
  const std::string stagedManifest = manifest + kStagingSuffix;
  const std::string signature = ServerPath(std::string(vocabulary::kSignatureName) + kTransferSuffix);
  const std::string stagedSignature = signature + kStagingSuffix;
  const bool signs = !newSignature_.empty();
  if (!StageFiles(staged, createdDirs) || !StageManifest(stagedManifest) ||
      (signs && !sys::ReplaceWholeFile(stagedSignature, newSignature_))) {
    if (signs && problems_.empty()) problems_.push_back(sys::WithLastError("cannot write " + Quoted(stagedSignature)));
    staged.push_back(stagedManifest);
    staged.push_back(stagedSignature);
    Discard(staged, createdDirs);
    return false;
  }
  for (std::size_t i = 0; i < staged.size(); ++i) {
    const std::string target = ServerPath(files_[i].Name + kTransferSuffix);
    if (!sys::MoveFileReplacing(staged[i], target)) {
      problems_.push_back(sys::WithLastError("cannot move " + Quoted(staged[i]) + " to " + Quoted(target)) +
                          "; the manifest is unchanged");
      staged.erase(staged.begin(), staged.begin() + std::ptrdiff_t(i));
      staged.push_back(stagedManifest);
      staged.push_back(stagedSignature);
      Discard(staged, {});
      return false;
    }
  }
  // The signature file before the manifest: it holds signatures of the outgoing manifest
  // and of the incoming one, so that either verifies beside it.
  if (signs && !sys::MoveFileReplacing(stagedSignature, signature)) {
    problems_.push_back(sys::WithLastError("cannot move " + Quoted(stagedSignature) + " to " + Quoted(signature)) +
                        "; the manifest is unchanged");
    Discard({stagedManifest, stagedSignature}, {});
    return false;
  }
  if (!sys::MoveFileReplacing(stagedManifest, manifest)) {
    problems_.push_back(sys::WithLastError("cannot move " + Quoted(stagedManifest) + " to " + Quoted(manifest)));
    Discard({stagedManifest}, {});
    return false;
  }
  return true;
}

bool Publisher::StageFiles(std::vector<std::string> &staged, std::vector<std::string> &createdDirs) {
  std::vector<std::string> dirs{std::string()};
  for (const PublishedFile &file : files_) {
    for (const std::string &dir : Directories(file.Name)) dirs.push_back(dir);
  }
  for (const std::string &dir : dirs) {  // outer folders come before inner ones
    const std::string path = ServerPath(dir);
    if (sys::DirectoryExists(path)) continue;
    if (!sys::ForceDirectories(path)) {
      problems_.push_back(sys::WithLastError("cannot create the folder " + Quoted(path)));
      return false;
    }
    createdDirs.push_back(path);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::string path = ServerPath(files_[i].Name + kTransferSuffix) + kStagingSuffix;
    staged.push_back(path);
    if (!sys::CopyFileReplacing(files_[i].Source, path)) {
      problems_.push_back(sys::WithLastError("cannot write " + Quoted(path)));
      return false;
    }
    if (!SameContent(files_[i].Source, path)) {
      problems_.push_back("cannot write " + Quoted(path) + ": it does not read back as the release's file");
      return false;
    }
  }
  return true;
}

bool Publisher::StageManifest(const std::string &staged) {
  std::vector<std::string> names;
  for (const PublishedFile &file : files_) names.push_back(file.Name);
  // Flushed before it is renamed into place, so that a crash never publishes a manifest
  // whose bytes did not reach the disk.
  if (!sys::ReplaceWholeFile(staged, newManifest_)) {
    problems_.push_back(sys::WithLastError("cannot write " + Quoted(staged)));
    return false;
  }

  // Read the new manifest back as the updater will, before any client can see it.
  std::string written;
  if (!newSignature_.empty() && (!sys::ReadWholeFile(staged, written) ||
                                 trust::CheckSignature(written, newSignature_, PublicHalves(keys_)) !=
                                     trust::TSignatureCheck::kVerified)) {
    problems_.push_back("the new manifest does not verify as written; nothing was published");
    return false;
  }
  if (options_.Refresh) return true;
  const std::string section = vocabulary::kReleaseSectionPrefix + version_;
  const std::vector<std::string> sections = ini::ReadProfileSectionNames(staged);
  const auto firstRelease = std::find_if(sections.begin(), sections.end(), IsReleaseSection);
  std::vector<std::string> listed;
  for (const std::string &key : ini::ReadProfileKeyNames(staged, section)) {
    listed.push_back(ini::ReadProfileString(staged, section, key, std::string()));
  }
  if (ini::ReadProfileString(staged, vocabulary::kConfSection, vocabulary::kCurrVersionKey, std::string()) != version_ ||
      firstRelease == sections.end() || *firstRelease != section || listed != names) {
    problems_.push_back("the new manifest does not read back as written; nothing was published");
    return false;
  }
  return true;
}

void Publisher::Discard(const std::vector<std::string> &staged, const std::vector<std::string> &createdDirs) {
  for (const std::string &path : staged) sys::RemoveFile(path);
  for (auto dir = createdDirs.rbegin(); dir != createdDirs.rend(); ++dir) sys::RemoveEmptyDirectory(*dir);
}
