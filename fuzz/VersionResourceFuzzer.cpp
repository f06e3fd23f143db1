// The version resource readers on arbitrary bytes, taken both as a whole executable file
// (the PE reader, then the file version reader that the engine uses) and as a version
// information block on its own. Whatever they find must lie inside the bytes given.

#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "pe/FileVer.h"
#include "pe/PeResource.h"
#include "pe/VersionTree.h"

namespace {

using fuzz::Require;

// The sub-blocks the file version reader asks for, and a few malformed paths.
const char *const kSubBlocks[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904E4\\FileVersion",
    "\\StringFileInfo\\080404B0\\ProductName",
    "\\stringfileinfo\\040904e4\\companyname",
    "",
    "\\\\",
    "\\StringFileInfo\\\\",
    "\\StringFileInfo",
    "VarFileInfo\\Translation",
};

void LookUpEverywhere(const unsigned char *block, std::size_t size) {
  for (const char *subBlock : kSubBlocks) {
    pe::VersionValue value;
    if (!pe::FindVersionValue(block, size, subBlock, value)) continue;
    Require(value.offset <= size && value.nodeEnd <= size, "a value starts and its node ends inside the block");
    Require(value.length <= value.nodeEnd - std::min(value.offset, value.nodeEnd), "a value lies inside its node");
  }
}

bool IsZero(const TFixedFileInfo &info) {
  static const TFixedFileInfo zero{};
  return std::memcmp(&info, &zero, sizeof info) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  LookUpEverywhere(data, size);

  pe::ByteRange resource;
  // A user language that tries every step of the loader's order.
  const bool hasResource = pe::FindPeVersionResource(data, size, pe::ResourceLanguageOrder(0x0804, 0x0407), resource);
  if (hasResource) {
    Require(resource.offset <= size && resource.length <= size - resource.offset,
            "the version resource lies inside the file");
    LookUpEverywhere(data + resource.offset, resource.length);
  }

  const fuzz::ScratchFile file(".exe");
  file.Write(std::string(reinterpret_cast<const char *>(data), size));
  TFileVer version;
  version.LoadFromFile(file.Path());
  if (!hasResource) {
    Require(version.FFileVersion.empty() && version.FProductName.empty() && IsZero(version.FFixedInfo),
            "a file without a version resource reads as empty");
  }
  return 0;
}
