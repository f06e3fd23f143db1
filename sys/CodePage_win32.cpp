#include <windows.h>

#include <algorithm>
#include <vector>

#include "sys/CodePage.h"

namespace {

std::string WideToSystemCodePage(const wchar_t *wide, int units, std::size_t room) {
  if (units <= 0) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(std::size_t(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, units, text.data(), length, nullptr, nullptr);
  if (text.size() <= room) return text;
  // Cut at a character boundary: drop characters from the end until the rest fits.
  while (units > 0) {
    --units;
    if (units > 0 && (wide[units] & 0xFC00) == 0xDC00 && (wide[units - 1] & 0xFC00) == 0xD800) --units;
    const int cut = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (std::size_t(cut) <= room) {
      text.resize(std::size_t(cut));
      WideCharToMultiByte(CP_ACP, 0, wide, units, text.data(), cut, nullptr, nullptr);
      return text;
    }
  }
  return std::string();
}

}  // namespace

std::string Utf8ToSystemCodePage(const std::string &Utf8) {
  if (Utf8.empty()) return std::string();
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
  MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), wide.data(), wideLength);
  return WideToSystemCodePage(wide.data(), wideLength, ~std::size_t(0));
}

std::string Utf16LeToSystemCodePage(const unsigned char *Text, std::size_t Units, std::size_t Room) {
  std::vector<wchar_t> wide(Units);
  for (std::size_t i = 0; i < Units; ++i) wide[i] = wchar_t(Text[2 * i] | Text[2 * i + 1] << 8);
  return WideToSystemCodePage(wide.data(), int(Units), Room);
}

std::string SystemCodePageToUtf16Le(const std::string &Text) {
  if (Text.empty()) return std::string();
  const int units = MultiByteToWideChar(CP_ACP, 0, Text.data(), int(Text.size()), nullptr, 0);
  if (units <= 0) return std::string();
  std::vector<wchar_t> wide(static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, Text.data(), int(Text.size()), wide.data(), units);
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (wchar_t unit : wide) {
    bytes += char(unit & 0xFF);
    bytes += char((unit >> 8) & 0xFF);
  }
  return bytes;
}

bool IsLeadByteOfSystemCodePage(unsigned char Byte) { return IsDBCSLeadByte(Byte) != FALSE; }
