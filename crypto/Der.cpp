#include "crypto/Der.h"

namespace crypto {

bool DerReader::PeekTag(unsigned char &Tag) const {
  if (AtEnd()) return false;
  Tag = static_cast<unsigned char>(bytes_[pos_]);
  return true;
}

bool DerReader::Read(unsigned char Tag, std::string &Contents) {
  const std::size_t left = bytes_.size() - pos_;
  if (left < 2 || static_cast<unsigned char>(bytes_[pos_]) != Tag) return false;
  std::size_t at = pos_ + 1;
  std::size_t length = static_cast<unsigned char>(bytes_[at++]);
  if (length & 0x80) {
    // Long form: one to four length bytes, no leading zero, and only for lengths that the
    // short form cannot carry.
    const std::size_t count = length & 0x7F;
    if (count == 0 || count > 4 || count > bytes_.size() - at) return false;
    if (bytes_[at] == 0) return false;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = length << 8 | static_cast<unsigned char>(bytes_[at++]);
    if (length < 0x80) return false;
  }
  if (length > bytes_.size() - at) return false;
  Contents = bytes_.substr(at, length);
  pos_ = at + length;
  return true;
}

std::string DerValue(unsigned char Tag, const std::string &Contents) {
  std::string value(1, char(Tag));
  const std::size_t length = Contents.size();
  if (length < 0x80) {
    value += char(length);
  } else {
    std::string digits;
    for (std::size_t rest = length; rest > 0; rest >>= 8) digits.insert(digits.begin(), char(rest & 0xFF));
    value += char(0x80 | digits.size());
    value += digits;
  }
  return value + Contents;
}

}  // namespace crypto
