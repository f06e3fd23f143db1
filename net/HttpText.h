#pragma once
// Text rules of the downloader's HTTP exchange: how header lines are matched, how numbers
// are read from them, and how a request target is made safe to send.

#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

// text without its leading and trailing characters of code 32 or below.
std::string TrimBlanks(const std::string &text);
bool StartsWith(const std::string &text, const char *prefix);
// The trimmed text read as a whole 32-bit signed decimal integer; 0 when it is not one.
int WholeInt32OrZero(const std::string &text);

// The host of an "http://host/..." URL (the scheme in any letter case, blanks around the
// URL aside); empty when the URL is no such URL.
std::string HttpUrlHost(const std::string &url);

// Percent-encodes every byte below 0x21 and 0x7F, so that no space, CR or LF of a file
// name can end the request line or start a header of its own.
std::string EncodeRequestTarget(const std::string &text);

// A satisfied byte range as a "Content-Range:" line names it: bytes First to Last, both
// included, of a file of Total bytes (-1 when the line gives "*").
struct ByteRange {
  std::int64_t First = 0, Last = 0, Total = -1;
};
// Reads the value of a "Content-Range:" line ("bytes 0-99/100" or "bytes 0-99/*"); false
// for the unsatisfiable form "bytes */100", a range whose end lies before its start or at
// or past the total, numbers beyond 18 digits, and anything else.
bool ParseByteRange(const std::string &value, ByteRange &range);

// The size probe's scan of its one receive: lines up to each CR LF, the first that
// begins with "content-length: " (any letter case) gives the value; text after the last
// CR LF is never examined. 0 when no line matches.
int ScanContentLength(const std::string &answer);

}  // namespace net
