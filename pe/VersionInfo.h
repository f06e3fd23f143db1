#pragma once
// The three version information operations the file version reader is written against,
// with the meaning of GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA. On
// Windows they are those functions; elsewhere they read the PE file's version resource
// themselves and give narrow texts in the locale's code page.

#include <cstdint>
#include <string>
#include <vector>

namespace pe {

// Size in bytes of the block GetVersionInfo needs; 0 when the file has no version resource
// or cannot be read.
std::uint32_t GetVersionInfoSize(const std::string &fileName);

// Fills block (sized by the caller, normally to GetVersionInfoSize) with the file's
// version information; false on failure.
bool GetVersionInfo(const std::string &fileName, std::vector<unsigned char> &block);

// The value of subBlock ("\", "\VarFileInfo\Translation", "\StringFileInfo\040904E4\Name"):
// a pointer into block and a length; false when the sub-block is missing. A text value is
// narrow text ending at its zero byte. Pointers stay valid while block is unchanged.
bool QueryVersionValue(std::vector<unsigned char> &block, const std::string &subBlock, const void *&value,
                       std::uint32_t &length);

}  // namespace pe
