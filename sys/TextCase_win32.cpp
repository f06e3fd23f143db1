// Locale-aware comparison and folding on Windows: the system's own functions for the
// user's default locale.
#include <windows.h>

#include "sys/TextCase.h"

namespace sys {

bool SameTextIgnoringCase(const std::string &a, const std::string &b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size())) ==
         CSTR_EQUAL;
}

std::string FoldCase(const std::string &text) {
  if (text.empty()) return text;
  int length = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, text.data(), int(text.size()), nullptr, 0);
  if (length <= 0) return text;
  std::string folded(std::size_t(length), '\0');
  LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, text.data(), int(text.size()), &folded[0], length);
  return folded;
}

}  // namespace sys
