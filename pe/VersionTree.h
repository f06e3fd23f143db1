#pragma once
// Looks up a value in a version information block (VS_VERSIONINFO) of the 32-bit layout:
// nodes of wLength, wValueLength, wType, a zero-terminated UTF-16 key, the value and the
// children, each aligned to 32 bits from the start of the block. A sub-block path such as
// "\StringFileInfo\040904E4\FileVersion" names one key per level, compared without regard
// to case as the system does; "\" names the root, whose value is the fixed record.

#include <cstddef>
#include <string>

namespace pe {

struct VersionValue {
  std::size_t offset = 0;   // where the value starts in the block
  std::size_t length = 0;   // bytes of the value the node declares and holds
  std::size_t nodeEnd = 0;  // end of the node: a text value ends at its zero unit or here
  bool isText = false;      // UTF-16 text rather than binary data
};

// False when the path's node is missing or the block is malformed on the way to it. A
// found value always lies inside block[0, size).
bool FindVersionValue(const unsigned char *block, std::size_t size, const std::string &subBlock, VersionValue &value);

}  // namespace pe
