#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sys {

// The longest value a profile read returns: GetPrivateProfileStringA into a buffer of
// 2048 characters keeps 2047 and the terminating zero.
inline constexpr std::size_t MaxProfileValueLength = 2047;

// One INI text, parsed by the rules of the Windows profile functions, with an index on
// section and key names so that a look-up costs the same in a file of 5,000 sections as
// in one of five. The rules:
// - Lines end with CR LF, LF or a lone CR; blanks (space, tab, VT, FF) around a line, a
//   section name, a key name and a value do not count. A UTF-8 byte-order mark is skipped.
// - A line that starts with "[" and holds a "]" opens a section; its name is the text up
//   to the last "]" on the line. Lines before the first section belong to a section
//   without a name, which the section listing leaves out, as it does any empty name.
// - Any other line is an entry: the key is the text before the first "=", the value the
//   text after it. A line without "=" is a key without a value: it reads as missing and
//   is not listed, yet as on Windows it hides a later entry of the same key.
// - An entry whose key starts with ";" is a comment: it stays out of the key listing
//   (Windows still finds it when asked for that very key, and so do we).
// - Names compare ignoring case (FoldCase); the first section and the first key of a
//   name win, later ones are only listed.
class ProfileText {
 public:
  ProfileText() = default;
  explicit ProfileText(std::string text);

  // The bytes as they were given (and as they are on disk).
  const std::string &Text() const { return text_; }

  // What GetPrivateProfileStringA with a 2048-character buffer returns: the value with one
  // pair of enclosing quotes (" or ') removed, or the default without its trailing spaces
  // when there is no such key; either cut at MaxProfileValueLength.
  std::string ReadValue(const std::string &section, const std::string &key, const std::string &defaultValue) const;

  // Every non-empty section name in file order, repeated names included.
  std::vector<std::string> SectionNames() const;
  // The key names of the first section named `section`, in file order, comments and
  // empty names left out (a list of names ended by zero bytes cannot carry an empty one).
  std::vector<std::string> KeyNames(const std::string &section) const;
  // Each of those key names with the value ReadValue gives it (a repeated key's first).
  std::vector<std::pair<std::string, std::string>> KeyValues(const std::string &section) const;

  // This text with `key` of `section` set to `value`. Of an existing entry only the value
  // is replaced (the blanks around it stay); a new entry goes after the last line of its section, a new section at the
  // end. Every other byte stays as it was; new lines end like the text's first line (CR LF
  // in a text without line ends).
  std::string WithValue(const std::string &section, const std::string &key, const std::string &value) const;

 private:
  struct Entry {
    std::string key;
    std::size_t valueBegin = 0;  // the value, blanks trimmed, is text_[valueBegin, valueEnd)
    std::size_t valueEnd = 0;
    bool hasValue = false;  // the line holds a "="
    bool isComment = false;
    std::size_t firstOfKey = 0;  // index of the section's first entry with this key: the one reads find
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> firstEntryByKey;  // folded key -> entries index
    // Where a new entry goes: just after the section's last line that is neither blank nor
    // a comment (its header when there is none); needsLineEnd when that line ends the text
    // without a line end.
    std::size_t insertAt = 0;
    bool needsLineEnd = false;
  };

  void Parse();
  const Section *FindSection(const std::string &name) const;
  const Entry *FindEntry(const std::string &section, const std::string &key) const;
  std::string ValueOf(const Entry &entry) const;
  std::string LineEnd() const;

  std::string text_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> firstSectionByName_;  // folded name -> sections_ index
};

}  // namespace sys
