#include "sys/GlobalUtils.h"

namespace {
// The system's case folding would depend on the locale; process names are matched the
// same way everywhere instead.
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
}  // namespace

bool SameExeName(const std::string &ExeName, const std::string &ExeFile) {
  if (ExeName.size() != ExeFile.size()) return false;
  for (std::size_t i = 0; i < ExeName.size(); ++i) {
    if (AsciiUpper(ExeName[i]) != AsciiUpper(ExeFile[i])) return false;
  }
  return true;
}
