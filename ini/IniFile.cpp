#include "ini/IniFile.h"

#include "ini/Profile.h"
#include "sys/Error.h"

std::string TIniFile::ReadString(const std::string &Section, const std::string &Ident,
                                 const std::string &Default) const {
  return ini::ReadProfileString(FFileName, Section, Ident, Default);
}

void TIniFile::WriteString(const std::string &Section, const std::string &Ident, const std::string &Value) {
  if (!ini::WriteProfileString(FFileName, Section, Ident, Value)) throw sys::Error("Unable to write to " + FFileName);
}
