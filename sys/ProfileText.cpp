#include "sys/ProfileText.h"

#include <algorithm>
#include <utility>

#include "sys/Profile.h"

namespace sys {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// [begin, end) of text without the blanks at either side.
void TrimBlanks(const std::string &text, std::size_t &begin, std::size_t &end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

std::string Trimmed(const std::string &text, std::size_t begin, std::size_t end) {
  TrimBlanks(text, begin, end);
  return text.substr(begin, end - begin);
}

std::string CutToValueLength(std::string text) {
  if (text.size() > MaxProfileValueLength) text.resize(MaxProfileValueLength);
  return text;
}

// Positions of c within [begin, end) of text, end when it is not there. The searches stay
// inside the line so that parsing remains linear in the size of the text.
std::size_t FirstInLine(const std::string &text, std::size_t begin, std::size_t end, char c) {
  return std::size_t(std::find(text.begin() + begin, text.begin() + end, c) - text.begin());
}

std::size_t LastInLine(const std::string &text, std::size_t begin, std::size_t end, char c) {
  for (std::size_t i = end; i > begin; --i) {
    if (text[i - 1] == c) return i - 1;
  }
  return end;
}

const char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

ProfileText::ProfileText(std::string text) : text_(std::move(text)) { Parse(); }

void ProfileText::Parse() {
  std::size_t lineBegin = text_.compare(0, 3, Utf8ByteOrderMark) == 0 ? 3 : 0;
  // Entries ahead of the first header belong to a section without a name.
  sections_.push_back(Section{});
  sections_.back().insertAt = lineBegin;
  firstSectionByName_.emplace(std::string(), 0);

  while (lineBegin < text_.size()) {
    std::size_t contentEnd = lineBegin;
    while (contentEnd < text_.size() && !IsLineEnd(text_[contentEnd])) ++contentEnd;
    std::size_t lineEnd = contentEnd;
    if (lineEnd < text_.size()) lineEnd += text_.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1;
    const bool endsText = lineEnd == contentEnd;

    std::size_t begin = lineBegin, end = contentEnd;
    lineBegin = lineEnd;
    TrimBlanks(text_, begin, end);
    if (begin == end) continue;

    if (text_[begin] == '[') {
      std::size_t close = LastInLine(text_, begin, end, ']');
      if (close != end) {
        Section section;
        section.name = Trimmed(text_, begin + 1, close);
        section.insertAt = lineEnd;
        section.needsLineEnd = endsText;
        firstSectionByName_.emplace(FoldCase(section.name), sections_.size());
        sections_.push_back(std::move(section));
        continue;
      }
    }

    Section &section = sections_.back();
    const bool isComment = text_[begin] == ';';
    if (!isComment) {
      section.insertAt = lineEnd;
      section.needsLineEnd = endsText;
    }
    Entry entry;
    std::size_t eq = FirstInLine(text_, begin, end, '=');
    entry.hasValue = eq != end;
    entry.key = Trimmed(text_, begin, entry.hasValue ? eq : end);
    entry.valueBegin = entry.hasValue ? eq + 1 : end;
    entry.valueEnd = end;
    TrimBlanks(text_, entry.valueBegin, entry.valueEnd);
    entry.isComment = isComment;
    entry.firstOfKey = section.firstEntryByKey.emplace(FoldCase(entry.key), section.entries.size()).first->second;
    section.entries.push_back(std::move(entry));
  }
}

const ProfileText::Section *ProfileText::FindSection(const std::string &name) const {
  auto found = firstSectionByName_.find(FoldCase(name));
  return found == firstSectionByName_.end() ? nullptr : &sections_[found->second];
}

const ProfileText::Entry *ProfileText::FindEntry(const std::string &section, const std::string &key) const {
  const Section *s = FindSection(section);
  if (!s) return nullptr;
  auto found = s->firstEntryByKey.find(FoldCase(key));
  return found == s->firstEntryByKey.end() ? nullptr : &s->entries[found->second];
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
  std::size_t begin = entry.valueBegin, end = entry.valueEnd;
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
    if (!section.name.empty()) names.push_back(section.name);
  }
  return names;
}

std::vector<std::string> ProfileText::KeyNames(const std::string &section) const {
  std::vector<std::string> names;
  if (const Section *s = FindSection(section)) {
    for (const Entry &entry : s->entries) {
      if (entry.hasValue && !entry.isComment && !entry.key.empty()) names.push_back(entry.key);
    }
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> ProfileText::KeyValues(const std::string &section) const {
  // One pass over the section: each listed entry takes the value of the first entry of
  // its key, which Parse noted, so nothing is looked up by name again.
  std::vector<std::pair<std::string, std::string>> values;
  if (const Section *s = FindSection(section)) {
    values.reserve(s->entries.size());
    for (const Entry &entry : s->entries) {
      if (entry.hasValue && !entry.isComment && !entry.key.empty()) {
        values.emplace_back(entry.key, ValueOf(s->entries[entry.firstOfKey]));
      }
    }
  }
  return values;
}

std::string ProfileText::LineEnd() const {
  std::size_t end = text_.find_first_of("\r\n");
  if (end == std::string::npos || text_.compare(end, 2, "\r\n") == 0) return "\r\n";
  return text_.substr(end, 1);
}

std::string ProfileText::WithValue(const std::string &section, const std::string &key, const std::string &value) const {
  std::string result = text_;
  const std::string lineEnd = LineEnd();
  if (const Entry *entry = FindEntry(section, key)) {
    return result.replace(entry->valueBegin, entry->valueEnd - entry->valueBegin,
                          entry->hasValue ? value : "=" + value);
  }
  const std::string line = key + "=" + value + lineEnd;
  if (const Section *s = FindSection(section)) {
    return result.insert(s->insertAt, s->needsLineEnd ? lineEnd + line : line);
  }
  if (!result.empty() && !IsLineEnd(result.back())) result += lineEnd;
  return result + "[" + section + "]" + lineEnd + line;
}

}  // namespace sys
