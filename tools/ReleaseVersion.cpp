#include "tools/ReleaseVersion.h"

#include "pe/FileVer.h"

std::string ReadFileVersion(const std::string &path) {
  TFileVer reader;
  reader.LoadFromFile(path);
  return reader.FFileVersion;
}
