// Locale-aware folding on POSIX: the characters of the locale's character set, lowered
// with towlower; pure ASCII texts take the quick path.
#include <climits>
#include <cwchar>
#include <cwctype>

#include "sys/TextCase.h"

namespace sys {

namespace {

bool IsAscii(const std::string &text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string FoldCase(const std::string &text) {
  if (IsAscii(text)) return LowerAscii(text);
  std::string folded;
  folded.reserve(text.size());
  // Decode with the locale's character set; a byte that does not decode is folded as
  // ASCII (that is, kept) and decoding resumes after it.
  std::mbstate_t in{};
  std::size_t pos = 0;
  while (pos < text.size()) {
    wchar_t wc;
    std::size_t used = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &in);
    if (used == 0) used = 1;  // an embedded zero byte
    if (used == std::size_t(-1) || used == std::size_t(-2)) {
      in = std::mbstate_t{};
      folded += AsciiLower(text[pos++]);
      continue;
    }
    char encoded[MB_LEN_MAX];
    std::mbstate_t out{};
    std::size_t length = std::wcrtomb(encoded, wchar_t(std::towlower(wint_t(wc))), &out);
    if (length == std::size_t(-1)) {
      folded.append(text, pos, used);
    } else {
      folded.append(encoded, length);
    }
    pos += used;
  }
  return folded;
}

bool SameTextIgnoringCase(const std::string &a, const std::string &b) {
  if (IsAscii(a) && IsAscii(b)) return SameTextIgnoringAsciiCase(a, b);
  return FoldCase(a) == FoldCase(b);
}

}  // namespace sys
