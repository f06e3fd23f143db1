#include "crypto/Encoding.h"

namespace crypto {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string Base64Encode(const std::string &Bytes) {
  std::string text;
  text.reserve((Bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < Bytes.size(); i += 3) {
    const std::size_t n = Bytes.size() - i < 3 ? Bytes.size() - i : 3;
    unsigned value = 0;
    for (std::size_t j = 0; j < 3; ++j) value = value << 8 | (j < n ? static_cast<unsigned char>(Bytes[i + j]) : 0u);
    for (std::size_t j = 0; j < 4; ++j) text += j <= n ? kAlphabet[(value >> (18 - 6 * j)) & 63] : '=';
  }
  return text;
}

bool Base64Decode(const std::string &Text, std::string &Bytes) {
  Bytes.clear();
  if (Text.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < Text.size(); i += 4) {
    const bool last = i + 4 == Text.size();
    const std::size_t padding = last ? (Text[i + 3] == '=') + (Text[i + 3] == '=' && Text[i + 2] == '=') : 0;
    unsigned value = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const int digit = j < 4 - padding ? Base64Value(Text[i + j]) : 0;
      if (digit < 0) return false;
      value = value << 6 | unsigned(digit);
    }
    // The bits that padding leaves unused must be zero, so that each text has one meaning.
    if ((padding == 1 && (value & 0xFF)) || (padding == 2 && (value & 0xFFFF))) return false;
    for (std::size_t j = 0; j < 3 - padding; ++j) Bytes += char((value >> (16 - 8 * j)) & 0xFF);
  }
  return true;
}

std::string HexEncode(const std::string &Bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(Bytes.size() * 2);
  for (unsigned char c : Bytes) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
  }
  return text;
}

bool HexDecode(const std::string &Text, std::string &Bytes) {
  Bytes.clear();
  if (Text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < Text.size(); i += 2) {
    const int high = HexValue(Text[i]), low = HexValue(Text[i + 1]);
    if (high < 0 || low < 0) return false;
    Bytes += char(high << 4 | low);
  }
  return true;
}

}  // namespace crypto
