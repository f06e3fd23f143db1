#include "engine/UpdateIni.h"

#include <unordered_set>

#include "core/CaseIndex.h"
#include "engine/ManifestVocabulary.h"
#include "ini/Profile.h"
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

std::string TUpdateIni::ReadStr(int Id) {
  const std::string key = KeyName(Id);
  if (key.empty() || !FIniFile) return std::string();
  return Text().ReadValue(vocabulary::kConfSection, key, "");
}

void TUpdateIni::WriteStr(int Id, const std::string &Value) {
  FText.reset();
  TIniConf::WriteStr(Id, Value);
}

void TUpdateIni::Open() {
  FText.reset();
  TIniConf::Open();
}

void TUpdateIni::Close() {
  FText.reset();
  TIniConf::Close();
}

const ini::ProfileText &TUpdateIni::Text() {
  if (!FText) FText = ini::ReadProfileFile(FFileName);
  return *FText;
}

void TUpdateIni::GetUpdateFiles(TStringList &List) {
  List.Clear();
  if (!FIniFile) return;
  const ini::ProfileText &text = Text();
  ListChangedFiles(
      ReadStr(ukCurrVersion), ReadStr(ukLastVersion), text.SectionNames(),
      [&text](const std::string &section) { return text.KeyValues(section); }, FSections, List);
}

void ListChangedFiles(const std::string &Newest, const std::string &Installed,
                      const std::vector<std::string> &SectionNames, const TSectionValues &ValuesOf,
                      TStringList &Sections, TStringList &List) {
  List.Clear();
  // Versions compare exactly here; the sections they name are found ignoring case.
  if (Newest.empty() || Newest == Installed) return;

  Sections.Clear();
  for (const std::string &name : SectionNames) Sections.Add(name);
  const int first = Sections.IndexOf(kReleaseSectionPrefix + Newest);
  int end = Sections.IndexOf(kReleaseSectionPrefix + Installed);
  if (end == -1) end = first + 1;
  if (first == -1 || end <= first) return;

  // Every path met so far as written, and every path listed, so that the duplicate test
  // stays cheap in a long manifest: most repeats are written alike and need no folding.
  std::unordered_set<std::string> met;
  TCaseIndex listed;
  for (int p = first; p < end; ++p) {
    for (auto &entry : ValuesOf(Sections[p])) {
      if (met.count(entry.second)) continue;
      if (listed.Insert(entry.second)) List.Add(entry.second);
      met.insert(std::move(entry.second));
    }
  }
}
