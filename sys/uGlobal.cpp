#include "sys/uGlobal.h"
#include "sys/Platform.h"

std::string AppDir;

std::string CutAfterLastSeparator(const std::string &path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    if (c == sys::kPathSep || (sys::kIsWindows && c == ':')) return path.substr(0, i);
  }
  return std::string();
}
