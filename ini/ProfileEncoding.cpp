#include "ini/ProfileEncoding.h"

#include <utility>

#include "sys/CodePage.h"

namespace ini {

namespace {

const char kLittleEndianMark[] = "\xFF\xFE";
const char kBigEndianMark[] = "\xFE\xFF";

void SwapByteOrder(std::string &units) {
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
}

}  // namespace

ProfileEncoding EncodingOf(const std::string &Stored) {
  if (Stored.compare(0, 2, kLittleEndianMark) == 0) return ProfileEncoding::kUtf16LittleEndian;
  if (Stored.compare(0, 2, kBigEndianMark) == 0) return ProfileEncoding::kUtf16BigEndian;
  return ProfileEncoding::kNarrow;
}

std::string DecodeProfile(const std::string &Stored) {
  const ProfileEncoding encoding = EncodingOf(Stored);
  if (encoding == ProfileEncoding::kNarrow) return Stored;
  std::string units = Stored.substr(2);
  if (encoding == ProfileEncoding::kUtf16BigEndian) SwapByteOrder(units);
  // An odd last byte is half a unit: nothing.
  return Utf16LeToSystemCodePage(reinterpret_cast<const unsigned char *>(units.data()), units.size() / 2);
}

std::string EncodeProfile(const std::string &Text, ProfileEncoding Encoding) {
  if (Encoding == ProfileEncoding::kNarrow) return Text;
  std::string units = SystemCodePageToUtf16Le(Text);
  if (Encoding == ProfileEncoding::kUtf16BigEndian) {
    SwapByteOrder(units);
    return kBigEndianMark + units;
  }
  return kLittleEndianMark + units;
}

}  // namespace ini
