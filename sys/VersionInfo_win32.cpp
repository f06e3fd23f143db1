#include <windows.h>

#include "sys/VersionInfo.h"

namespace sys {

std::uint32_t GetVersionInfoSize(const std::string &fileName) {
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(fileName.c_str(), &handle);
}

bool GetVersionInfo(const std::string &fileName, std::vector<unsigned char> &block) {
  return GetFileVersionInfoA(fileName.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) != 0;
}

bool QueryVersionValue(std::vector<unsigned char> &block, const std::string &subBlock, const void *&value,
                       std::uint32_t &length) {
  void *found = nullptr;
  UINT foundLength = 0;
  if (!VerQueryValueA(block.data(), subBlock.c_str(), &found, &foundLength)) return false;
  value = found;
  length = foundLength;
  return true;
}

}  // namespace sys
