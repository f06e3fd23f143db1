#pragma once
// A strict reader of the DER encoding, for the few structures the signing work reads:
// definite lengths in their shortest form only, nothing after the outermost value, and
// every read checked against what is left.
#include <cstddef>
#include <string>

namespace crypto {

class DerReader {
 public:
  explicit DerReader(const std::string &Bytes) : bytes_(Bytes) {}

  bool AtEnd() const { return pos_ == bytes_.size(); }
  // The next value's tag when there is one, without taking it.
  bool PeekTag(unsigned char &Tag) const;
  // Takes the next value, which must have this tag; its contents go to Contents.
  bool Read(unsigned char Tag, std::string &Contents);

 private:
  const std::string &bytes_;
  std::size_t pos_ = 0;
};

// One value: tag, the shortest length, contents.
std::string DerValue(unsigned char Tag, const std::string &Contents);

inline constexpr unsigned char kDerInteger = 0x02;
inline constexpr unsigned char kDerBitString = 0x03;
inline constexpr unsigned char kDerOctetString = 0x04;
inline constexpr unsigned char kDerObjectId = 0x06;
inline constexpr unsigned char kDerSequence = 0x30;
inline constexpr unsigned char kDerContext0 = 0xA0;  // [0], constructed
inline constexpr unsigned char kDerContext1 = 0xA1;  // [1], constructed

}  // namespace crypto
