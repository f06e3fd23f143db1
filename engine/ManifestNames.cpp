#include "engine/ManifestNames.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/CaseIndex.h"
#include "engine/ManifestVocabulary.h"
#include "sys/TextCase.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsForbiddenByte(unsigned char c) { return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr; }

std::vector<std::string> Segments(const std::string &name) {
  std::vector<std::string> segments(1);
  for (char c : name) {
    if (IsSeparator(c)) {
      segments.emplace_back();
    } else {
      segments.back() += c;
    }
  }
  return segments;
}

bool EndsWithIgnoringCase(const std::string &text, const char *suffix) {
  const std::size_t length = std::strlen(suffix);
  return text.size() >= length && sys::SameTextIgnoringAsciiCase(text.substr(text.size() - length), suffix);
}

// Windows opens a device instead of a file for these names, whatever extension follows
// (and blanks before it). COM and LPT also take the superscript digits, which each code
// page writes its own way: any one character beyond ASCII after them counts as one.
bool IsDeviceName(const std::string &segment) {
  std::string stem = segment.substr(0, segment.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  stem = sys::LowerAscii(stem);
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
  if (stem.size() < 4 || (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0)) return false;
  const std::string rest = stem.substr(3);
  if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '9') return true;
  return rest.size() <= 4 && std::all_of(rest.begin(), rest.end(), [](char c) { return (c & 0x80) != 0; });
}

// A name of the form Windows gives files as their short (8.3) name: at most eight
// characters with a "~" and a digit among them, and an extension of at most three. Such a
// name may open another file, one of the updater's own among them
// ("cache\INSTAL~1.JOU" is the installation journal where short names are made).
bool HasShortNameForm(const std::string &segment) {
  const std::size_t dot = segment.find('.');
  const std::string base = segment.substr(0, dot);
  const std::size_t extension = dot == std::string::npos ? 0 : segment.size() - dot - 1;
  if (base.size() > 8 || extension > 3 || (dot != std::string::npos && segment.find('.', dot + 1) != std::string::npos)) {
    return false;
  }
  const std::size_t tilde = base.find('~');
  return tilde != std::string::npos && tilde + 1 < base.size() && base[tilde + 1] >= '0' && base[tilde + 1] <= '9';
}

TNameProblem SegmentProblem(const std::string &segment) {
  if (segment.empty()) return TNameProblem::kEmpty;
  if (segment == "..") return TNameProblem::kParentSegment;
  for (unsigned char c : segment) {
    if (IsForbiddenByte(c)) return TNameProblem::kForbiddenCharacter;
  }
  if (segment.back() == '.' || segment.back() == ' ') return TNameProblem::kTrailingDotOrBlank;
  if (IsDeviceName(segment)) return TNameProblem::kDeviceName;
  if (HasShortNameForm(segment)) return TNameProblem::kShortNameForm;
  for (const char *suffix : vocabulary::kOwnSuffixes) {
    if (EndsWithIgnoringCase(segment, suffix)) return TNameProblem::kReserved;
  }
  return TNameProblem::kNone;
}

}  // namespace

TNameProblem ManifestNameProblem(const std::string &Name) {
  if (Name.empty()) return TNameProblem::kEmpty;
  if (IsSeparator(Name.front())) return TNameProblem::kAbsolute;
  const std::vector<std::string> segments = Segments(Name);
  for (const std::string &segment : segments) {
    const TNameProblem problem = SegmentProblem(segment);
    if (problem != TNameProblem::kNone) return problem;
  }
  // Installed into the staging folder itself, or staged over a file of the updater's (or
  // into a folder in its place).
  if (sys::SameTextIgnoringAsciiCase(segments.front(), vocabulary::kStagingDirName)) return TNameProblem::kReserved;
  for (const char *own : vocabulary::kOwnStagedFiles) {
    if (sys::SameTextIgnoringAsciiCase(segments.front(), own)) return TNameProblem::kReserved;
  }
  return TNameProblem::kNone;
}

bool IsSafeManifestName(const std::string &Name) { return ManifestNameProblem(Name) == TNameProblem::kNone; }

std::string SlashedManifestName(std::string Name) {
  std::replace(Name.begin(), Name.end(), '\\', '/');
  return Name;
}

std::string CanonicalManifestName(const std::string &Name) { return sys::FoldCase(SlashedManifestName(Name)); }

void DropUnsafeNames(TStringList &List) {
  TStringList safe;
  TCaseIndex files;
  for (const std::string &name : List) {
    if (IsSafeManifestName(name) && files.Insert(SlashedManifestName(name))) safe.Add(name);
  }
  List.Clear();
  for (const std::string &name : safe) List.Add(name);
}
