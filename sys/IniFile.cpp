#include "sys/IniFile.h"

#include "sys/Error.h"
#include "sys/Profile.h"

namespace {

void Fill(TStringList &Strings, const std::vector<std::string> &texts) {
  Strings.Clear();
  for (const std::string &text : texts) Strings.Add(text);
}

}  // namespace

std::string TIniFile::ReadString(const std::string &Section, const std::string &Ident,
                                 const std::string &Default) const {
  return sys::ReadProfileString(FFileName, Section, Ident, Default);
}

void TIniFile::WriteString(const std::string &Section, const std::string &Ident, const std::string &Value) {
  if (!sys::WriteProfileString(FFileName, Section, Ident, Value)) throw sys::Error("Unable to write to " + FFileName);
}

void TIniFile::ReadSections(TStringList &Strings) const { Fill(Strings, sys::ReadProfileSectionNames(FFileName)); }

void TIniFile::ReadSection(const std::string &Section, TStringList &Strings) const {
  Fill(Strings, sys::ReadProfileKeyNames(FFileName, Section));
}

void TIniFile::ReadSectionValues(const std::string &Section, TStringList &Strings) const {
  Strings.Clear();
  for (const auto &entry : sys::ReadProfileSectionValues(FFileName, Section)) {
    Strings.Add(entry.first + "=" + entry.second);
  }
}
