#include "tools/ManifestText.h"

#include <algorithm>

#include "engine/ManifestTrust.h"
#include "engine/ManifestVocabulary.h"
#include "sys/TextCase.h"

namespace {

using vocabulary::kConfSection;
using vocabulary::kCurrVersionKey;
using vocabulary::kReleaseSectionPrefix;
const char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// Blanks as the INI reader skips them around names and values.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string Trimmed(const std::string &text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Where the first line starts: after a UTF-8 byte-order mark, which the reader skips.
std::size_t StartOfLines(const std::string &text) { return text.compare(0, 3, kUtf8ByteOrderMark) == 0 ? 3 : 0; }

// Whether the text's last line is blank and ended (or the text is a bare line ending).
bool EndsWithBlankLine(const std::string &text) {
  std::size_t end = text.size();
  if (end >= 2 && text.compare(end - 2, 2, "\r\n") == 0) {
    end -= 2;
  } else if (end >= 1 && (text[end - 1] == '\n' || text[end - 1] == '\r')) {
    end -= 1;
  } else {
    return false;
  }
  const std::size_t lastBreak = end == 0 ? std::string::npos : text.find_last_of("\r\n", end - 1);
  const std::size_t begin = lastBreak == std::string::npos ? 0 : lastBreak + 1;
  return Trimmed(text.substr(begin, end - begin)).empty();
}

}  // namespace

bool IsReleaseSection(const std::string &name) {
  const std::size_t length = sizeof kReleaseSectionPrefix - 1;
  return name.size() >= length && sys::SameTextIgnoringCase(name.substr(0, length), kReleaseSectionPrefix);
}

ManifestText::ManifestText(std::string text) : profile_(std::move(text)) {}

std::string ManifestText::CurrVersion() const { return profile_.ReadValue(kConfSection, kCurrVersionKey, ""); }

bool ManifestText::HasSection(const std::string &name) const { return profile_.HasSection(name); }

bool ManifestText::ConfBetweenReleases() const {
  bool releaseSeen = false, confAfterRelease = false;
  for (const std::string &section : profile_.SectionNames()) {
    if (IsReleaseSection(section)) {
      if (confAfterRelease) return true;
      releaseSeen = true;
    } else if (releaseSeen && sys::SameTextIgnoringCase(section, kConfSection)) {
      confAfterRelease = true;
    }
  }
  return false;
}

std::size_t ManifestText::FindHeader(const std::string &text, std::size_t from,
                                     const std::function<bool(const std::string &)> &wanted) {
  // The reader's rule: a line that starts with "[" and holds a "]" opens a section named
  // by the text up to the last "]".
  std::size_t begin = std::max(from, StartOfLines(text));
  while (begin < text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trimmed(text.substr(begin, end - begin));
    const std::size_t close = line.rfind(']');
    if (!line.empty() && line.front() == '[' && close != std::string::npos &&
        wanted(Trimmed(line.substr(1, close - 1)))) {
      return begin;
    }
    begin = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return std::string::npos;
}

std::size_t ManifestText::FirstReleaseHeader() const { return FindHeader(profile_.Text(), 0, IsReleaseSection); }

std::vector<std::string> ManifestText::ListedNames() const {
  std::vector<std::string> names;
  for (const std::string &section : profile_.SectionNames()) {
    if (!IsReleaseSection(section)) continue;
    for (const auto &entry : profile_.KeyValues(section)) names.push_back(entry.second);
  }
  return names;
}

std::string ManifestText::WithSignedFacts(std::uint64_t serial, const std::string &expires,
                                          const std::vector<std::string> &fileHashes) const {
  const std::string eol = LineEnd();
  std::string section = "[" + std::string(trust::kFilesHashSection) + "]" + eol;
  for (std::size_t i = 0; i < fileHashes.size(); ++i) section += "h" + std::to_string(i + 1) + "=" + fileHashes[i] + eol;
  section += eol;

  // The old section goes, from its header to the next one; the new one stands before the
  // first release section, where an updater reads no release from it.
  std::string text = profile_.Text();
  auto isFilesHash = [](const std::string &name) { return sys::SameTextIgnoringCase(name, trust::kFilesHashSection); };
  for (std::size_t old = FindHeader(text, 0, isFilesHash); old != std::string::npos;
       old = FindHeader(text, old, isFilesHash)) {
    const std::size_t next = FindHeader(text, text.find_first_of("\r\n", old), [](const std::string &) { return true; });
    text.erase(old, (next == std::string::npos ? text.size() : next) - old);
  }
  const std::size_t firstRelease = FindHeader(text, 0, IsReleaseSection);
  if (firstRelease != std::string::npos) {
    text.insert(firstRelease, section);
  } else {
    text += (text.empty() || text.back() == '\n' || text.back() == '\r' ? "" : eol) + eol + section;
  }
  text = ini::ProfileText::WithValue(std::move(text), kConfSection, trust::kSerialKey, std::to_string(serial));
  return ini::ProfileText::WithValue(std::move(text), kConfSection, trust::kExpiresKey, expires);
}

std::string ManifestText::LineEnd() const {
  // New lines end like the text's first line, as the INI writer's do.
  const std::string &text = profile_.Text();
  const std::size_t end = text.find_first_of("\r\n");
  if (end == std::string::npos || text.compare(end, 2, "\r\n") == 0) return "\r\n";
  return text.substr(end, 1);
}

std::string ManifestText::WithNewRelease(const std::string &version, const std::vector<std::string> &names) const {
  const std::string eol = LineEnd();
  std::string release = "[" + std::string(kReleaseSectionPrefix) + version + "]" + eol;
  for (std::size_t i = 0; i < names.size(); ++i) release += "f" + std::to_string(i + 1) + "=" + names[i] + eol;

  std::string text = profile_.Text();
  const std::size_t firstRelease = FirstReleaseHeader();
  if (firstRelease != std::string::npos) {
    text.insert(firstRelease, release + eol);
  } else if (!text.empty()) {
    // One blank line between the last section and the new one.
    const bool endsLine = text.back() == '\n' || text.back() == '\r';
    const bool endsBlankLine = EndsWithBlankLine(text);
    text += (endsLine ? "" : eol) + (endsBlankLine ? "" : eol) + release;
  } else {
    text = release;
  }
  const std::string entry = std::string(kCurrVersionKey) + "=" + version;
  if (!HasSection(kConfSection)) {
    return text.insert(StartOfLines(text), "[" + std::string(kConfSection) + "]" + eol + entry + eol + eol);
  }
  return ini::ProfileText::WithValue(text, kConfSection, kCurrVersionKey, version);
}

std::string VersionTextProblem(const std::string &version) {
  if (version.empty()) return "is empty";
  for (unsigned char c : version) {
    if (c < 0x20 || c == 0x7F) return "holds a control character";
    if (c == ']') return "holds \"]\", which would end the section name";
  }
  if (IsBlank(version.front()) || IsBlank(version.back())) {
    return "starts or ends with a blank, which the manifest reader removes";
  }
  if (version.size() >= 2 && (version.front() == '"' || version.front() == '\'') && version.back() == version.front()) {
    return "is enclosed in quotes, which the manifest reader removes";
  }
  return std::string();
}
