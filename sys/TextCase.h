#pragma once
// Comparing and folding text without regard to case. Two kinds are used, and the
// difference shows at the edges:
// - ASCII folding, where a rule of our own or of a protocol says so (HTTP header names,
//   process names, manifest names as Windows compares them): only the letters A to Z and
//   a to z are folded, every other byte stays as it is, whatever the locale;
// - the locale-aware folding of the user's default locale, where the system's own
//   functions compare (INI section and key names, the text lists of the object model):
//   CompareStringA with NORM_IGNORECASE on Windows.
#include <string>

namespace sys {

char AsciiLower(char c);
// text with the letters A to Z folded to a to z.
std::string LowerAscii(std::string text);
// Whole texts equal byte for byte with only the ASCII letters folded.
bool SameTextIgnoringAsciiCase(const std::string &a, const std::string &b);

// Equality ignoring case, as CompareStringA with the user's default locale and
// NORM_IGNORECASE compares.
bool SameTextIgnoringCase(const std::string &a, const std::string &b);

// text in lower case for the user's locale, for keying hash sets and maps of texts that
// are compared with SameTextIgnoringCase. On POSIX two texts fold alike exactly when
// SameTextIgnoringCase holds; on Windows CompareStringA also equates a few texts that
// differ in characters it ignores (such as a soft hyphen), which folding keeps apart.
std::string FoldCase(const std::string &text);

}  // namespace sys
