#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ini {

// The longest value a profile read returns: GetPrivateProfileStringA into a buffer of
// 2048 characters keeps 2047 and the terminating zero.
inline constexpr std::size_t kMaxProfileValueLength = 2047;

// One INI text, parsed by the rules of the Windows profile functions, with an index on
// section and key names so that a look-up costs the same in a file of 5,000 sections as
// in one of five. The rules:
// - Lines end with CR LF, LF or a lone CR; blanks (space, tab, VT, FF, Ctrl-Z) around a line, a
//   section name, a key name and a value do not count. A UTF-8 byte-order mark is skipped.
// - A line that starts with "[" and holds a "]" opens a section; its name is the text up
//   to the last "]" on the line (a character "]", not the second byte of a character of
//   the system code page). Lines before the first section belong to a section
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
  // when there is no such key; either cut at kMaxProfileValueLength.
  std::string ReadValue(const std::string &section, const std::string &key, const std::string &defaultValue) const;

  // Every non-empty section name in file order, repeated names included.
  std::vector<std::string> SectionNames() const;
  // Whether a section of this name exists (names compare ignoring case).
  bool HasSection(const std::string &section) const { return FindSection(section) != nullptr; }
  // The key names of the first section named `section`, in file order, comments and
  // empty names left out (a list of names ended by zero bytes cannot carry an empty one).
  std::vector<std::string> KeyNames(const std::string &section) const;
  // Each of those key names with the value ReadValue gives it (a repeated key's first).
  std::vector<std::pair<std::string, std::string>> KeyValues(const std::string &section) const;

  // text with `key` of `section` set to `value`, by the rules above. Of an existing entry
  // only the value is replaced (the blanks around it stay); a new entry goes after the last
  // line of its section, a new section at the end. Every other byte stays as it was; new
  // lines end like the text's first line (CR LF in a text without line ends).
  static std::string WithValue(std::string text, const std::string &section, const std::string &key,
                               const std::string &value);
  // WithValue adds at most the section, key and value and this many bytes more ("[", "]",
  // "=" and three line ends): text with that much spare room changes in place.
  static constexpr std::size_t kMaxAddedSyntax = 9;

 private:
  // Positions are 32-bit offsets into text_, so that parsing a file of 100,000 entries
  // makes a few small flat arrays instead of 100,000 strings and map nodes: on a fresh
  // process every page of them is a page fault. A text of 4 GiB or more is not parsed
  // (it reads as empty; a profile function never meets one).
  using Offset = std::uint32_t;
  static constexpr std::size_t kMaxParsedSize = UINT32_MAX;
  struct Span {
    Offset begin = 0, end = 0;
  };
  struct Entry {
    Span key;
    Span value;  // blanks trimmed
    Offset section = 0;
    Offset firstOfKey = 0;  // index of the section's first entry with this key: the one reads find
    Offset keyHash = 0;     // of the folded key and the section
    bool hasValue = false;  // the line holds a "="
    bool isComment = false;
  };
  struct Section {
    Span name;
    Offset firstEntry = 0, entryCount = 0;  // a section's entries are consecutive
    // Where a new entry goes: just after the section's last line that is neither blank nor
    // a comment (its header when there is none); needsLineEnd when that line ends the text
    // without a line end.
    std::size_t insertAt = 0;
    bool needsLineEnd = false;
  };

  struct EntryRange {
    const Entry *first, *last;
    const Entry *begin() const { return first; }
    const Entry *end() const { return last; }
  };

  void Parse();
  // The entries of section; none without a section.
  EntryRange EntriesOf(const Section *section) const {
    if (!section) return {nullptr, nullptr};
    const Entry *first = entries_.data() + section->firstEntry;
    return {first, first + section->entryCount};
  }
  // What the key listings show: entries with a "=" and a name that are not comments.
  static bool IsListed(const Entry &entry) {
    return entry.hasValue && !entry.isComment && entry.key.end > entry.key.begin;
  }
  std::string Slice(const Span &span) const { return text_.substr(span.begin, span.end - span.begin); }
  const Section *FindSection(const std::string &name) const;
  const Entry *FindEntry(const std::string &section, const std::string &key) const;
  // The key slot that holds the first entry of a key of section, or the free slot where
  // that entry belongs. keyHash is the key's; sameKey(entry) tells whether an entry of the
  // section with that hash has the very key (asked only then, as folding costs).
  template <typename SameKey>
  std::size_t ProbeKeySlot(Offset section, Offset keyHash, const SameKey &sameKey) const;
  std::string ValueOf(const Entry &entry) const;

  std::string text_;
  std::vector<Section> sections_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> firstSectionByName_;  // folded name -> sections_ index
  // Open addressing over entries_: each slot holds the key hash and 1 + the index of the
  // first entry of its (section, key), 0 when free; the hash lets a probe pass other keys
  // without touching their entries. Kept at most half full, so probes stay short.
  struct KeySlot {
    Offset keyHash = 0;
    Offset entry = 0;
  };
  std::vector<KeySlot> keySlots_;
};

}  // namespace ini
