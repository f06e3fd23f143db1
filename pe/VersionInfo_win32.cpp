#include <windows.h>

#include <algorithm>

#include "pe/VersionInfo.h"

namespace pe {

namespace {

// VerQueryValueA trusts the 16-bit lengths inside the block: it searches up to the root's
// length and converts texts to a place that far behind them. A damaged file can declare
// more than the block holds, so the block is made at least as large as those lengths can
// reach (twice 0xFFFF and the four bytes the system keeps between the halves).
constexpr DWORD kReachOfBlockLengths = 2 * 0xFFFF + 4;

}  // namespace

std::uint32_t GetVersionInfoSize(const std::string &fileName) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  return size == 0 ? 0 : std::max(size, kReachOfBlockLengths);
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

}  // namespace pe
