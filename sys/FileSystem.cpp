#include "sys/FileSystem.h"

#include <algorithm>

namespace sys {

// Creates one directory whose parent exists; completed per platform.
bool CreateOneDirectory(const std::string &dir);

namespace {
bool IsSeparator(char c) { return c == kPathSep || (kIsWindows && c == '/'); }
}  // namespace

std::string ExtractFileDir(const std::string &path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return path.substr(0, i - 1);
  }
  return std::string();
}

std::string WithTrailingSeparator(const std::string &dir) {
  if (dir.empty() || IsSeparator(dir.back())) return dir;
  return dir + kPathSep;
}

std::string ToLocalPath(const std::string &manifestName) {
  std::string local = manifestName;
  std::replace(local.begin(), local.end(), '/', kPathSep);
  return local;
}

bool ForceDirectories(const std::string &dir) {
  if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
  std::string parent = ExtractFileDir(dir);
  // Stop at a root ("/" or "C:") instead of recursing on it for ever.
  if (!parent.empty() && parent != dir && !DirectoryExists(parent) && !ForceDirectories(parent)) return false;
  return CreateOneDirectory(dir) || DirectoryExists(dir);
}

}  // namespace sys
