#include "tools/PublishNames.h"

#include <cstring>

#include "engine/ManifestNames.h"

namespace {

bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// Why the updater would drop the name, as the publisher says it.
std::string UpdaterProblem(TNameProblem problem) {
  switch (problem) {
    case TNameProblem::kNone:
      return std::string();
    case TNameProblem::kEmpty:
      return "has an empty path segment";
    case TNameProblem::kAbsolute:
      return "is absolute";
    case TNameProblem::kParentSegment:
      return "has a \"..\" segment";
    case TNameProblem::kForbiddenCharacter:
      return "holds a character that Windows forbids in file names";
    case TNameProblem::kTrailingDotOrBlank:
      return "has a segment ending in a dot or a blank, which Windows strips from file names";
    case TNameProblem::kDeviceName:
      return "uses a device name that Windows reserves (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9)";
    case TNameProblem::kShortNameForm:
      return "has a segment of the form of a Windows short name (with \"~\" and a digit), which may open another file";
    case TNameProblem::kReserved:
      return "would reach one of the updater's own files (the \"cache\" folder, the manifest, its signature, the "
             "journal, the lock, the trust state, or a \".quillet-new\" or \".quillet-old\" ending)";
  }
  return "is refused by the updater";
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
  const std::string problem = UpdaterProblem(ManifestNameProblem(Name));
  if (!problem.empty()) return problem;
  if (Name.front() == ' ') return "starts with a blank, which the manifest reader removes";
  if (Name.size() >= 2 && Name.front() == '\'' && Name.back() == '\'') {
    return "is enclosed in quotes, which the manifest reader removes";
  }
  return std::string();
}
