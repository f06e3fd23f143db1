// The update decision on a manifest of arbitrary bytes: the files between the installed
// and the newest release, then the filter that keeps only names safe to fetch and install.
// Whatever survives the filter must be a relative name inside the program directory, and
// no file may be listed twice.
//
// Input: the manifest's text, then optionally, after a zero byte, the installed version
// that the updater writes into it before deciding.

#include <set>
#include <unordered_set>

#include "engine/ManifestNames.h"
#include "engine/UpdateIni.h"
#include "fuzz/FuzzSupport.h"
#include "sys/TextCase.h"

namespace {

using fuzz::Require;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Checked here in its own way rather than by calling the filter again.
void RequireSafe(const std::string &name) {
  Require(!name.empty(), "a kept name is not empty");
  Require(!IsSeparator(name.front()), "a kept name is not rooted");
  Require(name.find(':') == std::string::npos, "a kept name has no drive or stream");
  for (unsigned char c : name) Require(c >= 0x20, "a kept name has no control bytes");
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    Require(name.substr(segmentStart, i - segmentStart) != "..", "a kept name has no \"..\" segment");
    segmentStart = i + 1;
  }
}

void RequireNoDuplicates(const TStringList &list) {
  std::unordered_set<std::string> seen;
  for (const std::string &name : list) {
    Require(seen.insert(sys::FoldCase(name)).second, "no file is listed twice, whatever its letter case");
  }
}

bool IsSubsequence(const TStringList &part, const TStringList &whole) {
  int at = 0;
  for (const std::string &name : part) {
    while (at < whole.Count() && whole[at] != name) ++at;
    if (at == whole.Count()) return false;
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::string> parts = fuzz::SplitAtZeros(data, size, 2);
  const fuzz::ScratchFile file(".ini");
  file.Write(parts[0]);

  TUpdateIni manifest(file.Path());
  if (parts.size() > 1 && parts[1].find_first_of("\r\n") == std::string::npos) {
    manifest.WriteStr(ukLastVersion, parts[1]);
  }
  TStringList files;
  manifest.GetUpdateFiles(files);

  const std::string newest = manifest.ReadStr(ukCurrVersion);
  if (newest.empty() || newest == manifest.ReadStr(ukLastVersion)) {
    Require(files.Empty(), "nothing is listed when there is no newer release");
  }
  RequireNoDuplicates(files);
  for (const std::string &name : files) {
    Require(parts[0].find(name) != std::string::npos, "every listed file is named in the manifest");
  }

  TStringList kept = files;
  DropUnsafeNames(kept);
  Require(IsSubsequence(kept, files), "the filter keeps names in their order and adds none");
  for (const std::string &name : kept) RequireSafe(name);
  // Every safe name is kept, unless an earlier one names the same file.
  std::set<std::string> distinct;
  for (const std::string &name : files) {
    if (IsSafeManifestName(name)) distinct.insert(CanonicalManifestName(name));
  }
  Require(std::size_t(kept.Count()) == distinct.size(), "every safe name of a file not yet listed is kept");
  return 0;
}
