#include "tools/ReleaseVersion.h"

#include "sys/FileVer.h"

std::string ReadFileVersion(const std::string &path) {
  TFileVer reader;
  reader.LoadFromFile(path);
  return reader.FFileVersion;
}
