// The POSIX profile functions on an INI file of arbitrary bytes: every look-up the engine
// makes must agree with the others, and a write followed by a read must give back the
// value written while leaving every other value as it was.
//
// Input: the file's text, then optionally, each after a zero byte, the section, key and
// value to write (defaults when missing).

#include <clocale>
#include <map>
#include <utility>

#include "fuzz/FuzzSupport.h"
#include "ini/Profile.h"
#include "ini/ProfileEncoding.h"
#include "sys/TextCase.h"
#include "ini/ProfileText.h"

namespace {

using fuzz::Require;

// Enough look-ups to cover what a manifest's engine reads, few enough that a large input
// is not mostly spent re-reading the file.
constexpr std::size_t kMaxSectionsChecked = 16;
constexpr std::size_t kMaxKeysChecked = 16;

// The blanks of the profile rules, Ctrl-Z among them (ProfileText.h).
bool IsProfileBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

bool HasEdgeBlanks(const std::string &text) {
  return !text.empty() && (IsProfileBlank(text.front()) || IsProfileBlank(text.back()));
}

bool HasLineEnd(const std::string &text) { return text.find_first_of("\r\n") != std::string::npos; }

// What a read gives back for a value written as `value`: its blanks trimmed, one pair of
// enclosing quotes removed, cut to the longest value a read returns.
std::string ReadBackOf(const std::string &value) {
  std::size_t begin = 0, end = value.size();
  while (begin < end && IsProfileBlank(value[begin])) ++begin;
  while (end > begin && IsProfileBlank(value[end - 1])) --end;
  if (end - begin >= 2 && (value[begin] == '"' || value[begin] == '\'') && value[end - 1] == value[begin]) {
    ++begin;
    --end;
  }
  return value.substr(begin, std::min(end - begin, ini::kMaxProfileValueLength));
}

// A section, key and value that a profile file can hold as given: names without blanks at
// their edges, nothing that ends a line, a key that is neither a header nor holds "=". The
// section has a name: the lines ahead of the first header are read, never written.
bool CanBeStored(const std::string &section, const std::string &key, const std::string &value) {
  return !section.empty() && !HasLineEnd(section) && !HasEdgeBlanks(section) && !key.empty() && !HasLineEnd(key) &&
         !HasEdgeBlanks(key) && key.find('=') == std::string::npos && key.front() != '[' && !HasLineEnd(value);
}

struct ReadValue {
  std::string section, key, value;
};
// By folded section and key name: the first read of each.
using Values = std::map<std::pair<std::string, std::string>, ReadValue>;

// Reads the file the ways the engine does and checks that they agree; the values read.
Values ReadAndCrossCheck(const std::string &path, const ini::ProfileText &expected) {
  const std::vector<std::string> sections = ini::ReadProfileSectionNames(path);
  Require(sections == expected.SectionNames(), "the file's section names are those of its text");
  Values values;
  for (std::size_t s = 0; s < sections.size() && s < kMaxSectionsChecked; ++s) {
    const std::string &section = sections[s];
    const std::vector<std::string> keys = ini::ReadProfileKeyNames(path, section);
    const auto pairs = ini::ReadProfileSectionValues(path, section);
    Require(keys.size() == pairs.size(), "a section lists as many values as keys");
    for (std::size_t k = 0; k < keys.size(); ++k) {
      Require(!keys[k].empty() && keys[k].front() != ';', "no empty key or comment is listed");
      Require(pairs[k].first == keys[k], "values come in the order of the keys");
      Require(pairs[k].second.size() <= ini::kMaxProfileValueLength, "no value is longer than a read returns");
      if (k >= kMaxKeysChecked) continue;
      Require(ini::ReadProfileString(path, section, keys[k], "") == pairs[k].second,
              "a string read gives the section's value of that key");
      values.emplace(std::make_pair(sys::FoldCase(section), sys::FoldCase(keys[k])),
                     ReadValue{section, keys[k], pairs[k].second});
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // Names fold by the locale's character set: UTF-8 takes the multi-byte path.
  static const bool localeSet = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
  (void)localeSet;

  const std::vector<std::string> parts = fuzz::SplitAtZeros(data, size, 4);
  const std::string &text = parts[0];
  const fuzz::ScratchFile file(".ini");
  file.Write(text);
  // The readers decode the text by its byte-order mark, as Windows does (UTF-16 files).
  const std::string decoded = ini::DecodeProfile(text);
  const ini::ProfileText parsed(decoded);
  const Values before = ReadAndCrossCheck(file.Path(), parsed);

  const std::vector<std::string> sections = parsed.SectionNames();
  const std::string section = parts.size() > 1 ? parts[1] : sections.empty() ? "conf" : sections.front();
  const std::string key = parts.size() > 2 ? parts[2] : "last_version";
  const std::string value = parts.size() > 3 ? parts[3] : "1.2.0.0";
  if (!CanBeStored(section, key, value)) return 0;

  Require(ini::WriteProfileString(file.Path(), section, key, value), "a scratch file takes a write");
  Require(ini::ReadProfileString(file.Path(), section, key, "\x01") == ReadBackOf(value),
          "a read gives back the value written");
  ReadAndCrossCheck(file.Path(), ini::ProfileText(ini::ProfileText::WithValue(decoded, section, key, value)));
  const auto written = std::make_pair(sys::FoldCase(section), sys::FoldCase(key));
  for (const auto &[name, old] : before) {
    Require(name == written || ini::ReadProfileString(file.Path(), old.section, old.key, "") == old.value,
            "a write changes no other value");
  }
  return 0;
}
