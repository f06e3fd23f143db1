#include "engine/UpdateIni.h"

#include <unordered_set>

#include "sys/Profile.h"

namespace {

const char kReleaseSectionPrefix[] = "files_ver_";

}  // namespace

TUpdateIni::TUpdateIni(const std::string &FileName) : TIniConf(FileName) {}

std::string TUpdateIni::KeyName(int Id) {
  switch (Id) {
    case ukHost:
      return "host";
    case ukPath:
      return "path";
    case ukCurrVersion:
      return "curr_version";
    case ukLastVersion:
      return "last_version";
    default:
      return std::string();
  }
}

void TUpdateIni::GetUpdateFiles(TStringList &List) {
  List.Clear();
  const std::string newest = ReadStr(ukCurrVersion);
  if (newest.empty()) return;
  // Versions compare exactly here; the sections they name are found ignoring case.
  const std::string installed = ReadStr(ukLastVersion);
  if (newest == installed) return;

  FIniFile->ReadSections(FSections);
  const int first = FSections.IndexOf(kReleaseSectionPrefix + newest);
  int end = FSections.IndexOf(kReleaseSectionPrefix + installed);
  if (end == -1) end = first + 1;
  if (first == -1 || end <= first) return;

  // Every path met so far as written, and the folded form of every path listed, so that
  // the duplicate test stays cheap in a long manifest: most repeats are written alike and
  // need no folding.
  std::unordered_set<std::string> met, listed;
  for (int p = first; p < end; ++p) {
    // The values as ReadSectionValues gives them, without building its "key=value" texts.
    for (auto &entry : sys::ReadProfileSectionValues(FIniFile->FileName(), FSections[p])) {
      if (met.count(entry.second)) continue;
      if (listed.insert(sys::FoldCase(entry.second)).second) List.Add(entry.second);
      met.insert(std::move(entry.second));
    }
  }
}
