#pragma once
// Text rules of the downloader's HTTP exchange: how header lines are matched, how numbers
// are read from them, and how a request target is made safe to send.

#include <cstddef>
#include <string>

namespace net {

// text without its leading and trailing characters of code 32 or below.
std::string TrimBlanks(const std::string &text);
bool StartsWith(const std::string &text, const char *prefix);
// The trimmed text read as a whole 32-bit signed decimal integer; 0 when it is not one.
int WholeInt32OrZero(const std::string &text);

// Percent-encodes every byte below 0x21 and 0x7F, so that no space, CR or LF of a file
// name can end the request line or start a header of its own.
std::string EncodeRequestTarget(const std::string &text);

// The value of a "Content-Range:" line names a satisfied range ("bytes 0-99/100" or
// "bytes 0-99/*"), not the unsatisfiable form "bytes */100".
bool IsSatisfiedByteRange(const std::string &value);

// The size probe's scan of its one receive: lines up to each CR LF, the first that
// begins with "content-length: " (any letter case) gives the value; text after the last
// CR LF is never examined. 0 when no line matches.
int ScanContentLength(const std::string &answer);

}  // namespace net
