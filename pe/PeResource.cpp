#include "pe/PeResource.h"

#include <algorithm>
#include <cstdint>

#include "pe/LittleEndian.h"

namespace pe {

namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x4550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kResourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint32_t kVersionInfoName = 1;       // VS_VERSION_INFO
constexpr std::uint32_t kHighBit = 0x80000000u;     // name is a string / entry is a subdirectory
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;

class PeImage {
 public:
  explicit PeImage(ByteView file) : file_(file) {}

  // Reads the headers up to the section table; false when they are not those of a PE file.
  bool ReadHeaders(std::uint32_t &resourceRva) {
    std::uint16_t magic = 0;
    std::uint32_t peOffset = 0, signature = 0;
    if (!file_.U16(0, magic) || magic != kDosMagic || !file_.U32(0x3C, peOffset)) return false;
    if (!file_.U32(peOffset, signature) || signature != kPeSignature) return false;
    const std::uint64_t fileHeader = std::uint64_t(peOffset) + 4;
    std::uint16_t optionalHeaderSize = 0;
    if (!file_.U16(fileHeader + 2, sectionCount_) || !file_.U16(fileHeader + 16, optionalHeaderSize)) return false;
    const std::uint64_t optionalHeader = fileHeader + 20;
    std::uint16_t optionalMagic = 0;
    if (!file_.U16(optionalHeader, optionalMagic)) return false;
    std::uint64_t countField, directories;
    if (optionalMagic == kPe32Magic) {
      countField = 92;
      directories = 96;
    } else if (optionalMagic == kPe32PlusMagic) {
      countField = 108;
      directories = 112;
    } else {
      return false;
    }
    std::uint32_t directoryCount = 0;
    if (!file_.U32(optionalHeader + countField, directoryCount) || directoryCount <= kResourceDirectoryIndex) {
      return false;
    }
    const std::uint64_t resourceEntry = directories + kResourceDirectoryIndex * 8;
    if (resourceEntry + 8 > optionalHeaderSize) return false;
    if (!file_.U32(optionalHeader + resourceEntry, resourceRva) || resourceRva == 0) return false;
    sectionTable_ = optionalHeader + optionalHeaderSize;
    return true;
  }

  // The file offset of n bytes at a relative virtual address; false unless a section's
  // stored data holds all of them.
  bool FileOffset(std::uint64_t rva, std::uint64_t n, std::uint64_t &offset) const {
    for (std::uint16_t i = 0; i < sectionCount_; ++i) {
      const std::uint64_t header = sectionTable_ + i * kSectionHeaderSize;
      std::uint32_t address = 0, rawSize = 0, rawPointer = 0;
      if (!file_.U32(header + 12, address) || !file_.U32(header + 16, rawSize) || !file_.U32(header + 20, rawPointer)) {
        return false;
      }
      if (rva < address || rva - address >= rawSize) continue;
      const std::uint64_t delta = rva - address;
      if (n > rawSize - delta) return false;
      offset = rawPointer + delta;
      return file_.Holds(offset, n);
    }
    return false;
  }

  bool U16At(std::uint64_t rva, std::uint16_t &value) const {
    std::uint64_t offset = 0;
    return FileOffset(rva, 2, offset) && file_.U16(offset, value);
  }

  bool U32At(std::uint64_t rva, std::uint32_t &value) const {
    std::uint64_t offset = 0;
    return FileOffset(rva, 4, offset) && file_.U32(offset, value);
  }

 private:
  ByteView file_;
  std::uint16_t sectionCount_ = 0;
  std::uint64_t sectionTable_ = 0;
};

// The resource tree has a fixed depth (type, name, language) and the walk below descends
// exactly those three levels, so a directory that points back at itself or at a parent
// cannot make it loop; every entry it reads is bounds-checked like any other structure.
class ResourceTree {
 public:
  ResourceTree(const PeImage &image, std::uint32_t rootRva) : image_(image), root_(rootRva) {}

  // The entry of `directory` (an offset from the root) with numeric name `id`; its
  // OffsetToData field goes to `target`. Named entries come first and are skipped.
  bool FindById(std::uint32_t directory, std::uint32_t id, std::uint32_t &target) const {
    std::uint16_t named = 0, numbered = 0;
    if (!ReadCounts(directory, named, numbered)) return false;
    for (std::uint32_t i = named; i < std::uint32_t(named) + numbered; ++i) {
      std::uint32_t name = 0;
      if (!EntryField(directory, i, 0, name)) return false;
      if (!(name & kHighBit) && name == id) return EntryField(directory, i, 4, target);
    }
    return false;
  }

  bool First(std::uint32_t directory, std::uint32_t &target) const {
    std::uint16_t named = 0, numbered = 0;
    if (!ReadCounts(directory, named, numbered) || named + numbered == 0) return false;
    return EntryField(directory, 0, 4, target);
  }

  // A subdirectory's offset from an entry's OffsetToData.
  static bool Subdirectory(std::uint32_t target, std::uint32_t &directory) {
    if (!(target & kHighBit)) return false;
    directory = target & ~kHighBit;
    return true;
  }

  bool Data(std::uint32_t target, std::uint32_t &dataRva, std::uint32_t &dataSize) const {
    if (target & kHighBit) return false;
    return image_.U32At(std::uint64_t(root_) + target, dataRva) &&
           image_.U32At(std::uint64_t(root_) + target + 4, dataSize);
  }

 private:
  bool ReadCounts(std::uint32_t directory, std::uint16_t &named, std::uint16_t &numbered) const {
    const std::uint64_t at = std::uint64_t(root_) + directory;
    return image_.U16At(at + 12, named) && image_.U16At(at + 14, numbered);
  }

  bool EntryField(std::uint32_t directory, std::uint32_t index, std::uint32_t field, std::uint32_t &value) const {
    const std::uint64_t entry = std::uint64_t(root_) + directory + kDirectoryHeaderSize + index * kDirectoryEntrySize;
    return image_.U32At(entry + field, value);
  }

  const PeImage &image_;
  std::uint32_t root_;
};

}  // namespace

std::vector<std::uint16_t> ResourceLanguageOrder(std::uint16_t UserLanguage, std::uint16_t SystemLanguage) {
  // The primary language is the low 10 bits; with sublanguage 0 it is that language's
  // neutral form (0x0004 for every Chinese).
  constexpr std::uint16_t kPrimaryMask = 0x03FF;
  std::vector<std::uint16_t> order;
  for (std::uint16_t language : {std::uint16_t(0), UserLanguage, std::uint16_t(UserLanguage & kPrimaryMask),
                                 SystemLanguage, std::uint16_t(SystemLanguage & kPrimaryMask), std::uint16_t(0x0409)}) {
    if (std::find(order.begin(), order.end(), language) == order.end()) order.push_back(language);
  }
  return order;
}

bool FindPeVersionResource(const unsigned char *image, std::size_t size, const std::vector<std::uint16_t> &Languages,
                           ByteRange &resource) {
  PeImage pe(ByteView(image, size));
  std::uint32_t rootRva = 0;
  if (!pe.ReadHeaders(rootRva)) return false;
  ResourceTree tree(pe, rootRva);
  std::uint32_t target = 0, names = 0, languages = 0, dataRva = 0, dataSize = 0;
  if (!tree.FindById(0, kResourceTypeVersion, target) || !ResourceTree::Subdirectory(target, names)) return false;
  if (!tree.FindById(names, kVersionInfoName, target) || !ResourceTree::Subdirectory(target, languages)) return false;
  bool found = false;
  for (std::size_t i = 0; i < Languages.size() && !found; ++i) found = tree.FindById(languages, Languages[i], target);
  if (!found && !tree.First(languages, target)) return false;
  if (!tree.Data(target, dataRva, dataSize)) return false;
  std::uint64_t offset = 0;
  if (!pe.FileOffset(dataRva, dataSize, offset)) return false;
  resource.offset = static_cast<std::size_t>(offset);
  resource.length = dataSize;
  return true;
}

}  // namespace pe
