#pragma once
// Bounds-checked little-endian reads from a byte buffer, for the parsers of file formats
// whose offsets and lengths come from the file itself and so cannot be trusted.

#include <cstddef>
#include <cstdint>

namespace pe {

class ByteView {
 public:
  ByteView(const unsigned char *data, std::size_t size) : data_(data), size_(size) {}

  const unsigned char *data() const { return data_; }
  std::size_t size() const { return size_; }

  // True when n bytes from offset lie inside the buffer (no overflow for any inputs).
  bool Holds(std::uint64_t offset, std::uint64_t n) const { return offset <= size_ && n <= size_ - offset; }

  bool U16(std::uint64_t offset, std::uint16_t &value) const {
    if (!Holds(offset, 2)) return false;
    value = static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    return true;
  }

  bool U32(std::uint64_t offset, std::uint32_t &value) const {
    if (!Holds(offset, 4)) return false;
    value = static_cast<std::uint32_t>(data_[offset]) | static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
            static_cast<std::uint32_t>(data_[offset + 2]) << 16 | static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    return true;
  }

 private:
  const unsigned char *data_;
  std::size_t size_;
};

}  // namespace pe
