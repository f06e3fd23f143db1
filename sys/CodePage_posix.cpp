#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>

#include "sys/CodePage.h"

namespace {

// The narrow code page of the user's locale, as Windows converts to its ANSI code page.
const std::string &LocaleCodeset() {
  static const std::string codeset = [] {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return std::string("ANSI_X3.4-1968");
    std::string name = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return name;
  }();
  return codeset;
}

class Converter {
 public:
  Converter(const std::string &to, const std::string &from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsHighSurrogate(const unsigned char *unit) { return (unit[1] & 0xFC) == 0xD8; }
bool IsLowSurrogate(const unsigned char *unit) { return (unit[1] & 0xFC) == 0xDC; }

// Converts `inLeft` bytes into at most `room` bytes of out. What cannot be converted is
// replaced by `replacement` and conversion resumes after `skip(in, inLeft)` bytes.
template <typename Skip>
std::string Convert(Converter &converter, const char *input, std::size_t inLeft, std::size_t room,
                    const std::string &replacement, const Skip &skip) {
  std::string out;
  if (!converter.ok()) return out;
  char *in = const_cast<char *>(input);
  char buffer[4096];
  while (inLeft > 0 && out.size() < room) {
    char *next = buffer;
    std::size_t outLeft = std::min(sizeof buffer, room - out.size());
    const std::size_t done = iconv(converter.get(), &in, &inLeft, &next, &outLeft);
    const int reason = errno;
    out.append(buffer, std::size_t(next - buffer));
    if (done != std::size_t(-1)) break;
    if (reason == E2BIG) {
      if (next == buffer) break;  // the next character does not fit in the room left
      continue;
    }
    if (out.size() + replacement.size() > room) break;
    out += replacement;
    const std::size_t skipped =
        std::min<std::size_t>(skip(reinterpret_cast<const unsigned char *>(in), inLeft), inLeft);
    in += skipped;
    inLeft -= skipped;
  }
  char *next = buffer;
  std::size_t outLeft = std::min(sizeof buffer, room - out.size());
  iconv(converter.get(), nullptr, nullptr, &next, &outLeft);  // ends a shift state, if any
  out.append(buffer, std::size_t(next - buffer));
  return out;
}

}  // namespace

std::string Utf8ToSystemCodePage(const std::string &Utf8) { return Utf8; }

std::string Utf16LeToSystemCodePage(const unsigned char *Text, std::size_t Units, std::size_t Room) {
  Converter converter(LocaleCodeset(), "UTF-16LE");
  return Convert(converter, reinterpret_cast<const char *>(Text), Units * 2, Room, "?",
                 [](const unsigned char *unit, std::size_t left) {
                   return left >= 4 && IsHighSurrogate(unit) && IsLowSurrogate(unit + 2) ? 4 : 2;
                 });
}

std::string SystemCodePageToUtf16Le(const std::string &Text) {
  Converter converter("UTF-16LE", LocaleCodeset());
  return Convert(converter, Text.data(), Text.size(), ~std::size_t(0), std::string("\xFD\xFF", 2),
                 [](const unsigned char *, std::size_t) { return 1; });
}

bool IsLeadByteOfSystemCodePage(unsigned char) { return false; }
