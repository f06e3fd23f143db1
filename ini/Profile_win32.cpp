// The profile functions on Windows: the system's own INI functions and locale-aware
// comparison; for a reader with many questions, one reading of the file parsed by
// ProfileText as those functions read it.

#include <windows.h>

// windows.h maps this name to the system's WriteProfileStringA (win.ini access).
#undef WriteProfileString

#include "ini/Profile.h"
#include "ini/ProfileEncoding.h"
#include "ini/ProfileText.h"
#include "sys/CodePage.h"
#include "sys/FileSystem.h"

namespace ini {

namespace {

// A value is read into a buffer of 2048 characters, so at most 2047 come back.
constexpr DWORD kValueBufferSize = 2048;
// Listings start in a buffer of this size and grow until every name fits.
constexpr DWORD kFirstListBufferSize = 16384;

// The names that GetPrivateProfileStringA lists when given no section (section names) or
// no key (key names). The system cuts a listing that does not fit and then returns the
// buffer's size less two; the buffer then grows until nothing is cut.
std::vector<std::string> ReadNameList(const char *section, const std::string &file) {
  std::vector<char> buffer(kFirstListBufferSize);
  DWORD length;
  for (;;) {
    length = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), DWORD(buffer.size()), file.c_str());
    if (length + 2 < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  // Each name ends with a zero byte. Names are taken up to the returned length, so that
  // an entry with an empty key name ("=value") does not end the listing early; such a
  // name itself is left out, as it is on POSIX.
  std::vector<std::string> names;
  DWORD begin = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (buffer[i] == '\0') {
      if (i > begin) names.emplace_back(buffer.data() + begin, i - begin);
      begin = i + 1;
    }
  }
  return names;
}

// The text that the profile functions answer from: they read a file as UTF-16 and give
// their answers in the ANSI code page. A UTF-16 file is converted; a file with a UTF-8
// byte-order mark is read as UTF-8; any other file is ANSI text, whose bytes that do not
// decode come back as the conversion to UTF-16 and back makes them.
std::string AnsiTextOf(std::string stored) {
  if (EncodingOf(stored) != ProfileEncoding::kNarrow) return DecodeProfile(stored);
  if (stored.compare(0, 3, kUtf8ByteOrderMark) == 0) return Utf8ToSystemCodePage(stored.substr(3));
  const std::string units = SystemCodePageToUtf16Le(stored);
  return Utf16LeToSystemCodePage(reinterpret_cast<const unsigned char *>(units.data()), units.size() / 2);
}

}  // namespace

std::shared_ptr<const ProfileText> ReadProfileFile(const std::string &file) {
  std::string stored;
  if (!sys::ReadWholeFile(file, stored)) stored.clear();
  return std::make_shared<const ProfileText>(AnsiTextOf(std::move(stored)));
}

std::string ReadProfileString(const std::string &file, const std::string &section, const std::string &key,
                              const std::string &defaultValue) {
  char buffer[kValueBufferSize];
  DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, kValueBufferSize,
                                          file.c_str());
  return std::string(buffer, length);
}

bool WriteProfileString(const std::string &file, const std::string &section, const std::string &key,
                        const std::string &value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

std::vector<std::string> ReadProfileSectionNames(const std::string &file) { return ReadNameList(nullptr, file); }

std::vector<std::string> ReadProfileKeyNames(const std::string &file, const std::string &section) {
  return ReadNameList(section.c_str(), file);
}

std::vector<std::pair<std::string, std::string>> ReadProfileSectionValues(const std::string &file,
                                                                          const std::string &section) {
  std::vector<std::pair<std::string, std::string>> values;
  for (std::string &key : ReadNameList(section.c_str(), file)) {
    std::string value = ReadProfileString(file, section, key, std::string());
    values.emplace_back(std::move(key), std::move(value));
  }
  return values;
}

}  // namespace ini
