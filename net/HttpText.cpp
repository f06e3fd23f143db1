#include "net/HttpText.h"

#include <cstdint>
#include <cstring>

#include "sys/TextCase.h"

namespace net {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits starting at pos; false when there is none or it is longer than a
// 64-bit count of bytes needs.
bool ReadNumber(const std::string &text, std::size_t &pos, std::int64_t &number) {
  constexpr std::size_t kMaxDigits = 18;
  const std::size_t start = pos;
  number = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (pos - start == kMaxDigits) return false;
    number = number * 10 + (text[pos++] - '0');
  }
  return pos > start;
}
}  // namespace

std::string TrimBlanks(const std::string &text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  return text.substr(first, last - first);
}

bool StartsWith(const std::string &text, const char *prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

int WholeInt32OrZero(const std::string &text) {
  std::string number = TrimBlanks(text);
  std::size_t pos = 0;
  bool negative = false;
  if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) negative = number[pos++] == '-';
  if (pos == number.size()) return 0;
  std::int64_t value = 0;
  for (; pos < number.size(); ++pos) {
    if (!IsDigit(number[pos])) return 0;
    value = value * 10 + (number[pos] - '0');
    // Past the 32-bit range: the text is not a 32-bit integer at all.
    if (value > std::int64_t(INT32_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return int(value);
}

std::string HttpUrlHost(const std::string &url) {
  const std::string trimmed = TrimBlanks(url);
  if (!StartsWith(sys::LowerAscii(trimmed), "http://")) return std::string();
  const std::string rest = trimmed.substr(7);
  return rest.substr(0, rest.find('/'));
}

std::string EncodeRequestTarget(const std::string &text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x21 || byte == 0x7F) {
      encoded += '%';
      encoded += hex[byte >> 4];
      encoded += hex[byte & 15];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

bool ParseByteRange(const std::string &value, ByteRange &range) {
  const std::string text = sys::LowerAscii(TrimBlanks(value));
  if (!StartsWith(text, "bytes")) return false;
  std::size_t pos = 5;
  const std::size_t blanks = pos;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos == blanks) return false;
  ByteRange read;
  if (!ReadNumber(text, pos, read.First) || pos >= text.size() || text[pos++] != '-') return false;
  if (!ReadNumber(text, pos, read.Last) || pos >= text.size() || text[pos++] != '/') return false;
  if (pos < text.size() && text[pos] == '*') {
    if (pos + 1 != text.size()) return false;
  } else if (!ReadNumber(text, pos, read.Total) || pos != text.size() || read.Last >= read.Total) {
    return false;
  }
  if (read.Last < read.First) return false;
  range = read;
  return true;
}

int ScanContentLength(const std::string &answer) {
  static const char prefix[] = "content-length: ";
  const std::size_t prefixLength = sizeof prefix - 1;
  std::size_t lineStart = 0;
  for (;;) {
    std::size_t lineEnd = answer.find("\r\n", lineStart);
    if (lineEnd == std::string::npos) return 0;
    std::string line = answer.substr(lineStart, lineEnd - lineStart);
    if (StartsWith(sys::LowerAscii(line), prefix)) return WholeInt32OrZero(line.substr(prefixLength));
    lineStart = lineEnd + 2;
  }
}

}  // namespace net
