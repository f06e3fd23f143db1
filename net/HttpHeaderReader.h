#pragma once
// The header phase of the downloader's GET answer as a pure reader: fed the answer one
// byte at a time (the downloader receives it so, to leave the body in the socket), it keeps
// the current line and applies the header rules to each line once it ends with CR LF.

#include <cstdint>
#include <string>

#include "net/HttpText.h"

namespace net {

class HttpHeaderReader {
 public:
  // FirstByte: where the request's range begins ("RANGE: bytes=<FirstByte>-").
  explicit HttpHeaderReader(std::int64_t FirstByte = 0) : firstByte_(FirstByte) {}

  // Bounds on the headers: a line (its CR LF included) and all of them together. Past
  // either, the answer is dropped.
  static constexpr int kMaxLine = 8 * 1024;
  static constexpr int kMaxTotal = 64 * 1024;

  enum class Step {
    NeedMore,  // the headers have not ended yet
    Complete,  // the blank line arrived: the body follows
    Dropped,   // an "Object Not Found" line or a bound ended the headers: no body is taken
  };

  // Takes the next byte of the answer. Once Complete or Dropped, further bytes change
  // nothing and the same step is returned.
  Step Take(char byte);

  // The status code of the answer's first line ("HTTP/1.1 407 ..."); 0 until that line
  // has ended, or when it holds no three-digit code.
  int StatusCode() const { return statusCode_; }
  // The value of the last "Content-Length: " line, 0 when there is none or it is no whole
  // 32-bit number.
  int ContentLength() const { return contentLength_; }
  // The last "Content-Range:" line named a satisfied range that begins at the requested
  // first byte, and no "Object Not Found" line followed it: the body is that range.
  bool RangeAccepted() const { return rangeAccepted_; }
  // The accepted range is the rest of the whole file: its length is the announced
  // "Content-Length" and, where the line gives the file's total, it ends at the total's
  // last byte. A server or cache that caps a range sends less, which is no whole file.
  bool RangeIsWhole() const;

 private:
  // The rules for one complete line, in their order; the step after it.
  Step ApplyLine();

  std::string line_;
  int total_ = 0;
  const std::int64_t firstByte_;
  int contentLength_ = 0;
  int statusCode_ = 0;
  bool firstLine_ = true;
  bool rangeAccepted_ = false;
  ByteRange range_;
  Step step_ = Step::NeedMore;
};

}  // namespace net
