#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "pe/LittleEndian.h"
#include "pe/PeResource.h"
#include "pe/VersionInfo.h"
#include "pe/VersionTree.h"
#include "sys/CodePage.h"
#include "sys/Handle.h"
#include "sys/SystemLanguage.h"

namespace pe {

namespace {

// A whole file mapped read-only, unmapped and closed with its owner.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() {
    if (data_ != MAP_FAILED) munmap(data_, size_);
  }
  MappedFile(const MappedFile &) = delete;
  MappedFile &operator=(const MappedFile &) = delete;

  bool Open(const std::string &path) {
    sys::UniqueHandle fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!fd.Valid() || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return false;
    size_ = static_cast<std::size_t>(info.st_size);
    // The mapping keeps the file's bytes; the descriptor is not needed beyond this.
    data_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd.Get(), 0);
    return data_ != MAP_FAILED;
  }
  const unsigned char *data() const { return static_cast<const unsigned char *>(data_); }
  std::size_t size() const { return size_; }

 private:
  void *data_ = MAP_FAILED;
  std::size_t size_ = 0;
};

// Our block: a 32-bit length L, the L bytes of the resource, then room for the narrow
// texts in the system code page (twice the resource, enough for any code page: a UTF-16
// unit becomes at most three UTF-8 bytes, a zero unit one), then a zero byte. Each text is converted into its own
// place in that room, at twice its offset, so that like the system's pointers it stays
// valid while the block lives.
constexpr std::size_t kLengthField = 4;
constexpr std::size_t kBlockOverhead = kLengthField + 1;
constexpr std::size_t kNarrowPerByte = 2;

std::uint64_t BlockSizeFor(std::uint64_t resourceLength) {
  return kBlockOverhead + resourceLength * (1 + kNarrowPerByte);
}

std::size_t UnitsBeforeZero(const unsigned char *text, std::size_t bytes) {
  std::size_t units = 0;
  while (2 * units + 2 <= bytes && (text[2 * units] | text[2 * units + 1]) != 0) ++units;
  return units;
}

// The resource languages tried in the loader's order, with the system language standing
// in for the user's, which POSIX does not tell apart.
const std::vector<std::uint16_t> &Languages() {
  static const std::vector<std::uint16_t> languages = ResourceLanguageOrder(SystemDefaultLangId(), SystemDefaultLangId());
  return languages;
}

}  // namespace

std::uint32_t GetVersionInfoSize(const std::string &fileName) {
  MappedFile file;
  ByteRange resource;
  if (!file.Open(fileName) || !FindPeVersionResource(file.data(), file.size(), Languages(), resource)) return 0;
  const std::uint64_t size = BlockSizeFor(resource.length);
  return size > std::numeric_limits<std::uint32_t>::max() ? 0 : static_cast<std::uint32_t>(size);
}

bool GetVersionInfo(const std::string &fileName, std::vector<unsigned char> &block) {
  MappedFile file;
  ByteRange resource;
  if (block.size() < kBlockOverhead || !file.Open(fileName) ||
      !FindPeVersionResource(file.data(), file.size(), Languages(), resource))
    return false;
  // A smaller block than asked for gets the start of the resource, as with the system.
  const std::size_t length = std::min(resource.length, (block.size() - kBlockOverhead) / (1 + kNarrowPerByte));
  std::fill(block.begin(), block.end(), 0);
  for (std::size_t i = 0; i < kLengthField; ++i) block[i] = static_cast<unsigned char>(length >> (8 * i));
  std::memcpy(block.data() + kLengthField, file.data() + resource.offset, length);
  return true;
}

bool QueryVersionValue(std::vector<unsigned char> &block, const std::string &subBlock, const void *&value,
                       std::uint32_t &length) {
  std::uint32_t resourceLength = 0;
  if (!ByteView(block.data(), block.size()).U32(0, resourceLength) || BlockSizeFor(resourceLength) > block.size()) {
    return false;
  }
  const unsigned char *tree = block.data() + kLengthField;
  VersionValue found;
  if (!FindVersionValue(tree, resourceLength, subBlock, found)) return false;
  if (!found.isText) {
    value = tree + found.offset;
    length = static_cast<std::uint32_t>(found.length);
    return true;
  }
  const std::size_t textBytes = found.nodeEnd - found.offset;
  const std::size_t units = UnitsBeforeZero(tree + found.offset, textBytes);
  if (units == 0) {
    value = &block.back();  // always zero
    length = 1;
    return true;
  }
  char *out = reinterpret_cast<char *>(block.data() + kLengthField + resourceLength + kNarrowPerByte * found.offset);
  // The room ends before the next text's place; one byte of it keeps the zero.
  const std::size_t room = kNarrowPerByte * textBytes;
  const std::string narrow = Utf16LeToSystemCodePage(tree + found.offset, units, room - 1);
  std::memcpy(out, narrow.data(), narrow.size());
  const std::size_t written = narrow.size();
  out[written] = '\0';
  value = out;
  length = static_cast<std::uint32_t>(written + 1);
  return true;
}

}  // namespace pe
