#include "tools/PublishNames.h"

#include <cstring>
#include <vector>

#include "engine/ManifestNames.h"
#include "engine/ManifestVocabulary.h"
#include "sys/TextCase.h"

namespace {

bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

std::vector<std::string> Segments(const std::string &name) {
  std::vector<std::string> segments(1);
  for (char c : name) {
    if (c == '/') {
      segments.emplace_back();
    } else {
      segments.back() += c;
    }
  }
  return segments;
}

// Windows opens a device instead of a file for these names, whatever follows the first dot.
bool IsReservedDeviceName(const std::string &segment) {
  const std::string stem = sys::LowerAscii(segment.substr(0, segment.find('.')));
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

std::string SegmentProblem(const std::string &segment) {
  if (segment.empty() || segment == ".") return "has an empty or \".\" path segment";
  if (IsReservedDeviceName(segment)) return "uses \"" + segment + "\", a device name that Windows reserves";
  if (segment.back() == '.' || segment.back() == ' ') {
    return "has a segment ending in a dot or a blank, which Windows strips from file names";
  }
  return std::string();
}

}  // namespace

std::string PublishNameProblem(const std::string &Name) {
  for (unsigned char c : Name) {
    if (!IsPrintableAscii(c)) {
      return "holds a byte outside printable ASCII, which clients in other code pages would read as another name";
    }
    if (std::strchr("%#?", c)) return "holds \"%\", \"#\" or \"?\", which would not travel through a URL unchanged";
    if (c == '\\') return "holds a backslash, which Windows reads as a directory separator";
  }
  if (!IsSafeManifestName(Name)) {
    return "would be dropped by the updater (absolute, a \"..\" segment, or a character Windows forbids)";
  }
  for (const std::string &segment : Segments(Name)) {
    const std::string problem = SegmentProblem(segment);
    if (!problem.empty()) return problem;
  }
  if (Name.front() == ' ') return "starts with a blank, which the manifest reader removes";
  if (Name.size() >= 2 && Name.front() == '\'' && Name.back() == '\'') {
    return "is enclosed in quotes, which the manifest reader removes";
  }
  if (sys::SameTextIgnoringAsciiCase(Name, vocabulary::kManifestName)) return "would take the manifest's place on the server";
  return std::string();
}
