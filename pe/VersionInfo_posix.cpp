#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "pe/LittleEndian.h"
#include "pe/PeResource.h"
#include "pe/VersionInfo.h"
#include "pe/VersionTree.h"
#include "sys/Handle.h"

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
// texts (twice the resource, enough for any code page: a UTF-16 unit becomes at most three
// UTF-8 bytes, a zero unit one), then a zero byte. Each text is converted into its own
// place in that room, at twice its offset, so that like the system's pointers it stays
// valid while the block lives.
constexpr std::size_t kLengthField = 4;
constexpr std::size_t kBlockOverhead = kLengthField + 1;
constexpr std::size_t kNarrowPerByte = 2;

std::uint64_t BlockSizeFor(std::uint64_t resourceLength) {
  return kBlockOverhead + resourceLength * (1 + kNarrowPerByte);
}

// The narrow code page of the user's locale (LC_ALL, LC_CTYPE, LANG), as Windows
// converts to its ANSI code page, whatever locale this process itself has set. Like the
// ANSI code page it is fixed for the life of the process.
const std::string &LocaleCodeset() {
  static const std::string codeset = [] {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return std::string("ANSI_X3.4-1968");
    std::string name = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return name;
  }();
  return codeset;
}

class Converter {
 public:
  explicit Converter(const std::string &codeset) : cd_(iconv_open(codeset.c_str(), "UTF-16LE")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsHighSurrogate(const unsigned char *unit) { return (unit[1] & 0xFC) == 0xD8; }
bool IsLowSurrogate(const unsigned char *unit) { return (unit[1] & 0xFC) == 0xDC; }

// Converts `units` UTF-16LE units into at most `room` bytes; returns the bytes written.
// A character the code page lacks becomes "?", as with WideCharToMultiByte's default
// character; text that does not fit is cut at a character boundary.
std::size_t Narrow(const unsigned char *text, std::size_t units, char *out, std::size_t room) {
  Converter converter(LocaleCodeset());
  if (!converter.ok()) return 0;
  char *in = const_cast<char *>(reinterpret_cast<const char *>(text));
  std::size_t inLeft = units * 2, outLeft = room;
  char *next = out;
  while (inLeft > 0) {
    if (iconv(converter.get(), &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG || outLeft == 0) break;
    *next++ = '?';
    --outLeft;
    const auto *unit = reinterpret_cast<const unsigned char *>(in);
    const std::size_t skip = inLeft >= 4 && IsHighSurrogate(unit) && IsLowSurrogate(unit + 2) ? 4 : 2;
    in += std::min(skip, inLeft);
    inLeft -= std::min(skip, inLeft);
  }
  iconv(converter.get(), nullptr, nullptr, &next, &outLeft);  // ends a shift state, if any
  return static_cast<std::size_t>(next - out);
}

std::size_t UnitsBeforeZero(const unsigned char *text, std::size_t bytes) {
  std::size_t units = 0;
  while (2 * units + 2 <= bytes && (text[2 * units] | text[2 * units + 1]) != 0) ++units;
  return units;
}

}  // namespace

std::uint32_t GetVersionInfoSize(const std::string &fileName) {
  MappedFile file;
  ByteRange resource;
  if (!file.Open(fileName) || !FindPeVersionResource(file.data(), file.size(), resource)) return 0;
  const std::uint64_t size = BlockSizeFor(resource.length);
  return size > std::numeric_limits<std::uint32_t>::max() ? 0 : static_cast<std::uint32_t>(size);
}

bool GetVersionInfo(const std::string &fileName, std::vector<unsigned char> &block) {
  MappedFile file;
  ByteRange resource;
  if (block.size() < kBlockOverhead || !file.Open(fileName) ||
      !FindPeVersionResource(file.data(), file.size(), resource))
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
  const std::size_t written = Narrow(tree + found.offset, units, out, room - 1);
  out[written] = '\0';
  value = out;
  length = static_cast<std::uint32_t>(written + 1);
  return true;
}

}  // namespace pe
