#include "tools/ManifestText.h"

#include "sys/Profile.h"

namespace {

const char ReleasePrefix[] = "files_ver_";
const char ConfSection[] = "conf";
const char CurrVersionKey[] = "curr_version";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string &text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool StartsWithIgnoringCase(const std::string &text, const std::string &prefix) {
  return text.size() >= prefix.size() && sys::SameTextIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

ManifestText::ManifestText(std::string text) : text_(std::move(text)) {
  const std::size_t firstBreak = text_.find('\n');
  eol_ = firstBreak != std::string::npos && (firstBreak == 0 || text_[firstBreak - 1] != '\r') ? "\n" : "\r\n";

  for (std::size_t begin = 0; begin < text_.size();) {
    std::size_t next = text_.find('\n', begin);
    next = next == std::string::npos ? text_.size() : next + 1;
    std::size_t end = next;
    if (end > begin && text_[end - 1] == '\n') --end;
    if (end > begin && text_[end - 1] == '\r') --end;
    Line line{begin, end, next, false, std::string()};
    const std::string content = LineText(line);
    if (!content.empty() && content.front() == '[') {
      line.IsHeader = true;
      line.Name = Trimmed(content.substr(1, content.find(']') - 1));
    } else if (content.find('=') != std::string::npos) {
      line.Name = Trimmed(content.substr(0, content.find('=')));
    }
    if (line.IsHeader) {
      if (!sections_.empty()) sections_.back().EndLine = lines_.size();
      sections_.push_back({line.Name, lines_.size(), 0});
    }
    lines_.push_back(line);
    begin = next;
  }
  if (!sections_.empty()) sections_.back().EndLine = lines_.size();
}

bool ManifestText::IsRelease(const Section &section) const {
  return StartsWithIgnoringCase(section.Name, ReleasePrefix);
}

const ManifestText::Section *ManifestText::FirstSection(const std::string &name) const {
  for (const Section &section : sections_) {
    if (sys::SameTextIgnoringCase(section.Name, name)) return &section;
  }
  return nullptr;
}

const ManifestText::Section *ManifestText::FirstRelease() const {
  for (const Section &section : sections_) {
    if (IsRelease(section)) return &section;
  }
  return nullptr;
}

std::string ManifestText::CurrVersion() const {
  const Section *conf = FirstSection(ConfSection);
  if (!conf) return std::string();
  for (std::size_t i = conf->Header + 1; i < conf->EndLine; ++i) {
    const Line &line = lines_[i];
    if (!sys::SameTextIgnoringCase(line.Name, CurrVersionKey)) continue;
    const std::string entry = LineText(line);
    std::string value = Trimmed(entry.substr(entry.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::string();
}

bool ManifestText::HasSection(const std::string &name) const { return FirstSection(name) != nullptr; }

bool ManifestText::ConfBetweenReleases() const {
  bool releaseSeen = false, confAfterRelease = false;
  for (const Section &section : sections_) {
    if (IsRelease(section)) {
      if (confAfterRelease) return true;
      releaseSeen = true;
    } else if (releaseSeen && sys::SameTextIgnoringCase(section.Name, ConfSection)) {
      confAfterRelease = true;
    }
  }
  return false;
}

std::string ManifestText::WithNewRelease(const std::string &version, const std::vector<std::string> &names) const {
  std::string release = "[" + std::string(ReleasePrefix) + version + "]" + eol_;
  for (std::size_t i = 0; i < names.size(); ++i) release += "f" + std::to_string(i + 1) + "=" + names[i] + eol_;

  std::string text = text_;
  if (const Section *first = FirstRelease()) {
    text.insert(lines_[first->Header].Begin, release + eol_);
  } else if (!text.empty()) {
    const bool endsInBreak = text.back() == '\n';
    const bool lastLineBlank = endsInBreak && LineText(lines_.back()).empty();
    text += (endsInBreak ? "" : eol_) + (lastLineBlank ? "" : eol_) + release;
  } else {
    text = release;
  }
  // The release section is in place; "conf" is found again in the new text.
  return ManifestText(text).WithCurrVersion(version);
}

std::string ManifestText::WithCurrVersion(const std::string &version) const {
  const std::string entry = std::string(CurrVersionKey) + "=" + version;
  std::string text = text_;
  const Section *conf = FirstSection(ConfSection);
  if (!conf) return "[" + std::string(ConfSection) + "]" + eol_ + entry + eol_ + eol_ + text;

  std::size_t last = conf->Header;  // the last line of "conf" that is not blank
  for (std::size_t i = conf->Header + 1; i < conf->EndLine; ++i) {
    const Line &line = lines_[i];
    if (sys::SameTextIgnoringCase(line.Name, CurrVersionKey))
      return text.replace(line.Begin, line.End - line.Begin, entry);
    if (!LineText(line).empty()) last = i;
  }
  const Line &after = lines_[last];
  // A last line without a line ending needs one before the new entry.
  return text.insert(after.Next, (after.Next == after.End ? eol_ : std::string()) + entry + eol_);
}

std::string ManifestText::LineText(const Line &line) const {
  return Trimmed(text_.substr(line.Begin, line.End - line.Begin));
}

std::string VersionTextProblem(const std::string &version) {
  if (version.empty()) return "is empty";
  for (unsigned char c : version) {
    if (c < 0x20 || c == 0x7F) return "holds a control character";
    if (c == ']') return "holds \"]\", which would end the section name";
  }
  if (IsBlank(version.front()) || IsBlank(version.back()))
    return "starts or ends with a blank, which the manifest reader removes";
  if (version.size() >= 2 && (version.front() == '"' || version.front() == '\'') && version.back() == version.front()) {
    return "is enclosed in quotes, which the manifest reader removes";
  }
  return std::string();
}
