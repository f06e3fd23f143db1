#include "ini/ProfileText.h"

#include <algorithm>
#include <utility>

#include "ini/ProfileEncoding.h"
#include "sys/CodePage.h"
#include "sys/TextCase.h"

namespace ini {

namespace {

// Ctrl-Z, the end-of-file mark of old DOS editors, counts as a blank as well.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// [begin, end) of text without the blanks at either side.
void TrimBlanks(const std::string &text, std::size_t &begin, std::size_t &end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

std::string CutToValueLength(std::string text) {
  if (text.size() > kMaxProfileValueLength) text.resize(kMaxProfileValueLength);
  return text;
}

// Positions of c within [begin, end) of text, end when it is not there. The searches stay
// inside the line so that parsing remains linear in the size of the text.
std::size_t FirstInLine(const std::string &text, std::size_t begin, std::size_t end, char c) {
  return std::size_t(std::find(text.begin() + begin, text.begin() + end, c) - text.begin());
}

// The last "]" within [begin, end) that is a character of its own: in a code page of
// two-byte characters the second byte of one may be "]".
std::size_t LastCloseInLine(const std::string &text, std::size_t begin, std::size_t end) {
  std::size_t last = end;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] == ']') {
      last = i;
    } else if (IsLeadByteOfSystemCodePage(static_cast<unsigned char>(text[i]))) {
      ++i;
    }
  }
  return last;
}

// Where the first line begins: after a UTF-8 byte-order mark, if any.
std::size_t FirstLineBegin(const std::string &text) {
  return text.compare(0, sizeof kUtf8ByteOrderMark - 1, kUtf8ByteOrderMark) == 0 ? 3 : 0;
}

// One line of a profile text that is not blank, as the reader and the writer both see it.
struct ProfileLine {
  std::size_t next = 0;                    // where the following line begins
  bool endsText = false;                   // the text's last line, without a line end
  bool isHeader = false;                   // "[name]"; otherwise an entry
  std::size_t nameBegin = 0, nameEnd = 0;  // a header's section name, blanks trimmed
  // An entry: the key before the first "=", the value after it, both without blanks at
  // either side; a line without "=" is a key without a value.
  std::size_t keyBegin = 0, keyEnd = 0, valueBegin = 0, valueEnd = 0;
  bool hasValue = false;
  bool isComment = false;  // the key starts with ";"
};

// Calls visit(line) for each line that is not blank, in order, until visit returns false.
template <typename Visit>
void ForEachLine(const std::string &text, Visit visit) {
  std::size_t lineBegin = FirstLineBegin(text);
  while (lineBegin < text.size()) {
    std::size_t contentEnd = lineBegin;
    while (contentEnd < text.size() && !IsLineEnd(text[contentEnd])) ++contentEnd;
    ProfileLine line;
    line.next = contentEnd;
    if (line.next < text.size()) line.next += text.compare(line.next, 2, "\r\n") == 0 ? 2 : 1;
    line.endsText = line.next == contentEnd;

    std::size_t begin = lineBegin, end = contentEnd;
    lineBegin = line.next;
    TrimBlanks(text, begin, end);
    if (begin == end) continue;

    const std::size_t close = text[begin] == '[' ? LastCloseInLine(text, begin, end) : end;
    if (close != end) {
      line.isHeader = true;
      line.nameBegin = begin + 1;
      line.nameEnd = close;
      TrimBlanks(text, line.nameBegin, line.nameEnd);
    } else {
      const std::size_t eq = FirstInLine(text, begin, end, '=');
      line.hasValue = eq != end;
      line.isComment = text[begin] == ';';
      line.keyBegin = begin;
      line.keyEnd = eq;
      TrimBlanks(text, line.keyBegin, line.keyEnd);
      line.valueBegin = line.hasValue ? eq + 1 : end;
      line.valueEnd = end;
      TrimBlanks(text, line.valueBegin, line.valueEnd);
    }
    if (!visit(line)) return;
  }
}

std::string FoldedSlice(const std::string &text, std::size_t begin, std::size_t end) {
  return sys::FoldCase(text.substr(begin, end - begin));
}

// Mixes the section into the key's hash, so that the same key in 5,000 sections gives
// 5,000 different slots.
std::uint32_t KeyHash(std::uint32_t section, const std::string &foldedKey) {
  return std::uint32_t(std::hash<std::string>{}(foldedKey) ^ (section * 0x9E3779B97F4A7C15ull));
}

// A power of two at least twice count: the key slots stay at most half full.
std::size_t SlotCountFor(std::size_t count) {
  std::size_t slots = 8;
  while (slots < 2 * count) slots *= 2;
  return slots;
}

}  // namespace

ProfileText::ProfileText(std::string text) : text_(std::move(text)) { Parse(); }

void ProfileText::Parse() {
  if (text_.size() > kMaxParsedSize) return;
  // Entries ahead of the first header belong to a section without a name.
  sections_.push_back(Section{});
  sections_.back().insertAt = FirstLineBegin(text_);
  firstSectionByName_.emplace(std::string(), 0);
  // Room for an entry per line end (twice that for CR LF): growing the array step by step
  // would touch every page of each larger copy, while room reserved and unused costs nothing.
  entries_.reserve(
      1 + std::size_t(std::count(text_.begin(), text_.end(), '\n') + std::count(text_.begin(), text_.end(), '\r')));

  ForEachLine(text_, [this](const ProfileLine &line) {
    if (line.isHeader) {
      Section section;
      section.name = {Offset(line.nameBegin), Offset(line.nameEnd)};
      section.firstEntry = Offset(entries_.size());
      section.insertAt = line.next;
      section.needsLineEnd = line.endsText;
      firstSectionByName_.emplace(sys::FoldCase(Slice(section.name)), sections_.size());
      sections_.push_back(section);
      return true;
    }
    Section &section = sections_.back();
    if (!line.isComment) {
      section.insertAt = line.next;
      section.needsLineEnd = line.endsText;
    }
    Entry entry;
    entry.key = {Offset(line.keyBegin), Offset(line.keyEnd)};
    entry.value = {Offset(line.valueBegin), Offset(line.valueEnd)};
    entry.hasValue = line.hasValue;
    entry.isComment = line.isComment;
    entry.section = Offset(sections_.size() - 1);
    entry.keyHash = KeyHash(entry.section, sys::FoldCase(Slice(entry.key)));
    entries_.push_back(entry);
    ++section.entryCount;
    return true;
  });

  // Each entry learns the first entry of its key in its section, which then holds the slot.
  keySlots_.assign(SlotCountFor(entries_.size()), KeySlot{});
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry &entry = entries_[i];
    KeySlot &slot = keySlots_[ProbeKeySlot(entry.section, entry.keyHash, [&](const Entry &other) {
      return sys::FoldCase(Slice(other.key)) == sys::FoldCase(Slice(entry.key));
    })];
    if (slot.entry == 0) slot = KeySlot{entry.keyHash, Offset(i + 1)};
    entry.firstOfKey = slot.entry - 1;
  }
}

template <typename SameKey>
std::size_t ProfileText::ProbeKeySlot(Offset section, Offset keyHash, const SameKey &sameKey) const {
  const std::size_t mask = keySlots_.size() - 1;
  for (std::size_t slot = keyHash & mask;; slot = (slot + 1) & mask) {
    const KeySlot &held = keySlots_[slot];
    if (held.entry == 0) return slot;
    if (held.keyHash != keyHash) continue;
    const Entry &entry = entries_[held.entry - 1];
    if (entry.section == section && sameKey(entry)) return slot;
  }
}

const ProfileText::Section *ProfileText::FindSection(const std::string &name) const {
  auto found = firstSectionByName_.find(sys::FoldCase(name));
  return found == firstSectionByName_.end() ? nullptr : &sections_[found->second];
}

const ProfileText::Entry *ProfileText::FindEntry(const std::string &section, const std::string &key) const {
  const Section *s = FindSection(section);
  if (!s) return nullptr;
  const Offset index = Offset(s - sections_.data());
  const std::string folded = sys::FoldCase(key);
  const KeySlot &slot = keySlots_[ProbeKeySlot(
      index, KeyHash(index, folded), [&](const Entry &entry) { return sys::FoldCase(Slice(entry.key)) == folded; })];
  return slot.entry == 0 ? nullptr : &entries_[slot.entry - 1];
}

std::string ProfileText::ReadValue(const std::string &section, const std::string &key,
                                   const std::string &defaultValue) const {
  const Entry *entry = FindEntry(section, key);
  if (!entry || !entry->hasValue) {
    std::size_t end = defaultValue.find_last_not_of(' ');
    return CutToValueLength(defaultValue.substr(0, end == std::string::npos ? 0 : end + 1));
  }
  return ValueOf(*entry);
}

std::string ProfileText::ValueOf(const Entry &entry) const {
  std::size_t begin = entry.value.begin, end = entry.value.end;
  char first = begin < end ? text_[begin] : '\0';
  if (end - begin >= 2 && (first == '"' || first == '\'') && text_[end - 1] == first) {
    ++begin;
    --end;
  }
  return CutToValueLength(text_.substr(begin, end - begin));
}

std::vector<std::string> ProfileText::SectionNames() const {
  std::vector<std::string> names;
  for (const Section &section : sections_) {
    if (section.name.end > section.name.begin) names.push_back(Slice(section.name));
  }
  return names;
}

std::vector<std::string> ProfileText::KeyNames(const std::string &section) const {
  std::vector<std::string> names;
  for (const Entry &entry : EntriesOf(FindSection(section))) {
    if (IsListed(entry)) names.push_back(Slice(entry.key));
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> ProfileText::KeyValues(const std::string &section) const {
  // One pass over the section: each listed entry takes the value of the first entry of
  // its key, which Parse noted, so nothing is looked up by name again.
  std::vector<std::pair<std::string, std::string>> values;
  const EntryRange entries = EntriesOf(FindSection(section));
  values.reserve(std::size_t(entries.end() - entries.begin()));
  for (const Entry &entry : entries) {
    if (IsListed(entry)) values.emplace_back(Slice(entry.key), ValueOf(entries_[entry.firstOfKey]));
  }
  return values;
}

std::string ProfileText::WithValue(std::string text, const std::string &section, const std::string &key,
                                   const std::string &value) {
  // New lines end like the text's first line.
  const std::size_t firstEnd = text.find_first_of("\r\n");
  const std::string lineEnd =
      firstEnd == std::string::npos || text.compare(firstEnd, 2, "\r\n") == 0 ? "\r\n" : text.substr(firstEnd, 1);

  // One scan up to the end of the section's first occurrence, by the reader's rules: the
  // first entry of the key there, else the place for a new one. No index is built, since
  // the written text is parsed afresh anyway.
  const std::string foldedSection = sys::FoldCase(section), foldedKey = sys::FoldCase(key);
  bool inSection = foldedSection.empty(), sectionFound = inSection;
  std::size_t insertAt = FirstLineBegin(text);
  bool needsLineEnd = false;
  bool entryFound = false, entryHasValue = false;
  std::size_t valueBegin = 0, valueEnd = 0;
  ForEachLine(text, [&](const ProfileLine &line) {
    if (line.isHeader) {
      if (inSection) return false;
      if (FoldedSlice(text, line.nameBegin, line.nameEnd) == foldedSection) {
        inSection = sectionFound = true;
        insertAt = line.next;
        needsLineEnd = line.endsText;
      }
      return true;
    }
    if (!inSection) return true;
    if (FoldedSlice(text, line.keyBegin, line.keyEnd) == foldedKey) {
      entryFound = true;
      entryHasValue = line.hasValue;
      valueBegin = line.valueBegin;
      valueEnd = line.valueEnd;
      return false;
    }
    if (!line.isComment) {
      insertAt = line.next;
      needsLineEnd = line.endsText;
    }
    return true;
  });

  // Changed in place and returned by name, so that the text is moved out, not copied.
  const std::string line = key + "=" + value + lineEnd;
  if (entryFound) {
    text.replace(valueBegin, valueEnd - valueBegin, entryHasValue ? value : "=" + value);
  } else if (sectionFound) {
    text.insert(insertAt, needsLineEnd ? lineEnd + line : line);
  } else {
    if (!text.empty() && !IsLineEnd(text.back())) text += lineEnd;
    text += "[" + section + "]" + lineEnd + line;
  }
  return text;
}

}  // namespace ini
