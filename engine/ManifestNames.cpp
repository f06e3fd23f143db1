#include "engine/ManifestNames.h"

#include <cstring>

namespace {

bool IsForbiddenByte(unsigned char c) { return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr; }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool IsSafeManifestName(const std::string &Name) {
  if (Name.empty() || IsSeparator(Name.front())) return false;
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i <= Name.size(); ++i) {
    if (i == Name.size() || IsSeparator(Name[i])) {
      if (Name.compare(segmentStart, i - segmentStart, "..") == 0 && i - segmentStart == 2) return false;
      segmentStart = i + 1;
    } else if (IsForbiddenByte(static_cast<unsigned char>(Name[i]))) {
      return false;  // ":" among them, so no drive either
    }
  }
  return true;
}

void DropUnsafeNames(TStringList &List) {
  TStringList safe;
  for (const std::string &name : List) {
    if (IsSafeManifestName(name)) safe.Add(name);
  }
  List.Clear();
  for (const std::string &name : safe) List.Add(name);
}
