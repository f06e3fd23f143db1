#include "tools/Publisher.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "sys/FileSystem.h"
#include "sys/Profile.h"
#include "tools/ManifestText.h"
#include "tools/PublishNames.h"

namespace {

const char ServerSuffix[] = ".rar";
const char ManifestName[] = "update.ini";
const char MainFileName[] = "Quillet.exe";
// Appended to a file's server name while it is being written.
const char StagingSuffix[] = ".publishing";

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// The size of the file at path, or -1 when it cannot be read.
std::int64_t FileSize(const std::string &path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? std::int64_t(in.tellg()) : -1;
}

bool ReadAll(const std::string &path, std::string &content) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return bool(in);
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

std::string UpperAscii(std::string text) {
  for (char &c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
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
  files_.clear();
  sources_.clear();
  problems_.clear();
  warnings_.clear();

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
  return problems_.empty();
}

void Publisher::CollectRelease(const std::string &dir, const std::string &prefix, std::vector<SourceFile> &out) {
  std::vector<sys::DirectoryEntry> entries;
  if (!sys::ListDirectory(dir, entries)) {
    problems_.push_back("cannot read the folder " + Quoted(dir));
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
  std::map<std::string, std::string> byUpperName;
  for (const SourceFile &file : release) {
    const std::string problem = PublishNameProblem(file.Name);
    if (!problem.empty()) problems_.push_back("cannot publish " + Quoted(file.Name) + ": the name " + problem);
    const auto [other, inserted] = byUpperName.emplace(UpperAscii(file.Name), file.Name);
    if (!inserted) {
      problems_.push_back(Quoted(other->second) + " and " + Quoted(file.Name) +
                          " differ only in case: Windows keeps one");
    }
    const std::int64_t size = FileSize(file.Path);
    if (size < 0) {
      problems_.push_back("cannot read " + Quoted(file.Name));
    } else if (size == 0) {
      problems_.push_back(Quoted(file.Name) + " is empty: the transfer cannot deliver an empty file");
    }
  }
}

void Publisher::DecideVersion() {
  const std::string mainFile = options_.ReleaseDir + MainFileName;
  const std::string fileVersion = readVersion_(mainFile);
  version_ = options_.Version.empty() ? fileVersion : options_.Version;
  if (version_.empty()) {
    problems_.push_back(std::string("no version: the release's ") + MainFileName +
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
    warnings_.push_back(std::string("the release's ") + MainFileName + " reports version " +
                        (fileVersion.empty() ? "none" : Quoted(fileVersion)) + ", not " + Quoted(version_) +
                        ": installations updated to it will be offered this release again");
  }
}

void Publisher::CheckManifest() {
  const std::string path = ServerPath(std::string(ManifestName) + ServerSuffix);
  if (sys::DirectoryExists(path)) {
    problems_.push_back("the manifest " + Quoted(path) + " is a folder");
    return;
  }
  if (sys::FileExists(path) && !ReadAll(path, manifest_)) {
    problems_.push_back("cannot read the manifest " + Quoted(path));
    return;
  }
  const ManifestText manifest(manifest_);
  if (manifest.ConfBetweenReleases()) {
    problems_.push_back(
        "the manifest has its \"conf\" section between release sections; the updater would read it "
        "as a release: move it before them");
  }
  if (!version_.empty() && (manifest.HasSection("files_ver_" + version_) || manifest.CurrVersion() == version_)) {
    problems_.push_back("version " + Quoted(version_) + " is already published");
  }
}

void Publisher::CompareWithServer(const std::vector<SourceFile> &release) {
  for (const SourceFile &file : release) {
    const std::string published = ServerPath(file.Name + ServerSuffix);
    if (sys::DirectoryExists(published)) {
      problems_.push_back("cannot publish " + Quoted(file.Name) + ": the server holds a folder named " +
                          Quoted(file.Name + ServerSuffix));
      continue;
    }
    const bool added = !sys::FileExists(published);
    if (!added && SameContent(file.Path, published)) continue;
    files_.push_back({file.Name, std::uint64_t(FileSize(file.Path)), added});
    sources_.push_back(file.Path);
  }
}

void Publisher::CheckPathClashes() {
  // A published file "x" lands as "x.rar"; a folder of that name, in this release or on
  // the server, cannot stand beside it.
  std::set<std::string> targets;
  for (const PublishedFile &file : files_) targets.insert(file.Name + ServerSuffix);
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
  const std::string manifest = ServerPath(std::string(ManifestName) + ServerSuffix);
  const std::string stagedManifest = manifest + StagingSuffix;
  if (!StageFiles(staged, createdDirs) || !StageManifest(stagedManifest)) {
    staged.push_back(stagedManifest);
    Discard(staged, createdDirs);
    return false;
  }
  for (std::size_t i = 0; i < staged.size(); ++i) {
    const std::string target = ServerPath(files_[i].Name + ServerSuffix);
    if (!sys::MoveFileReplacing(staged[i], target)) {
      problems_.push_back("cannot move " + Quoted(staged[i]) + " to " + Quoted(target) + "; the manifest is unchanged");
      staged.erase(staged.begin(), staged.begin() + std::ptrdiff_t(i));
      staged.push_back(stagedManifest);
      Discard(staged, {});
      return false;
    }
  }
  if (!sys::MoveFileReplacing(stagedManifest, manifest)) {
    problems_.push_back("cannot move " + Quoted(stagedManifest) + " to " + Quoted(manifest));
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
      problems_.push_back("cannot create the folder " + Quoted(path));
      return false;
    }
    createdDirs.push_back(path);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::string path = ServerPath(files_[i].Name + ServerSuffix) + StagingSuffix;
    staged.push_back(path);
    if (!sys::CopyFileReplacing(sources_[i], path) || !SameContent(sources_[i], path)) {
      problems_.push_back("cannot write " + Quoted(path));
      return false;
    }
  }
  return true;
}

bool Publisher::StageManifest(const std::string &staged) {
  std::vector<std::string> names;
  for (const PublishedFile &file : files_) names.push_back(file.Name);
  const std::string text = ManifestText(manifest_).WithNewRelease(version_, names);
  sys::OutputFile out;
  if (!out.Create(staged) || !out.Write(text.data(), text.size())) {
    problems_.push_back("cannot write " + Quoted(staged));
    return false;
  }
  out.Close();

  // Read the new manifest back as the updater will, before any client can see it.
  const std::string section = "files_ver_" + version_;
  const std::vector<std::string> sections = sys::ReadProfileSectionNames(staged);
  const auto firstRelease = std::find_if(sections.begin(), sections.end(), [](const std::string &name) {
    return name.size() >= 10 && sys::SameTextIgnoringCase(name.substr(0, 10), "files_ver_");
  });
  std::vector<std::string> listed;
  for (const std::string &key : sys::ReadProfileKeyNames(staged, section)) {
    listed.push_back(sys::ReadProfileString(staged, section, key, std::string()));
  }
  if (sys::ReadProfileString(staged, "conf", "curr_version", std::string()) != version_ ||
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
