#include "engine/UpdateIni.h"

#include <unordered_set>

#include "engine/ManifestVocabulary.h"
#include "sys/TextCase.h"

using vocabulary::kReleaseSectionPrefix;

TUpdateIni::TUpdateIni(const std::string &FileName) : TIniConf(FileName) {}

std::string TUpdateIni::KeyName(int Id) {
  switch (Id) {
    case ukHost:
      return vocabulary::kHostKey;
    case ukPath:
      return vocabulary::kPathKey;
    case ukCurrVersion:
      return vocabulary::kCurrVersionKey;
    case ukLastVersion:
      return vocabulary::kLastVersionKey;
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

  FSections.Clear();
  for (const std::string &name : FIniFile->ReadSections()) FSections.Add(name);
  const int first = FSections.IndexOf(kReleaseSectionPrefix + newest);
  int end = FSections.IndexOf(kReleaseSectionPrefix + installed);
  if (end == -1) end = first + 1;
  if (first == -1 || end <= first) return;

  // Every path met so far as written, and the folded form of every path listed, so that
  // the duplicate test stays cheap in a long manifest: most repeats are written alike and
  // need no folding.
  std::unordered_set<std::string> met, listed;
  for (int p = first; p < end; ++p) {
    for (auto &entry : FIniFile->ReadSectionValues(FSections[p])) {
      if (met.count(entry.second)) continue;
      if (listed.insert(sys::FoldCase(entry.second)).second) List.Add(entry.second);
      met.insert(std::move(entry.second));
    }
  }
}
