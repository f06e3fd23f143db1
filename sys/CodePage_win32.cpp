#include <windows.h>

#include <vector>

#include "sys/CodePage.h"

std::string Utf8ToSystemCodePage(const std::string &Utf8) {
  if (Utf8.empty()) return std::string();
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
  MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), wide.data(), wideLength);
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(std::size_t(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
  return text;
}
