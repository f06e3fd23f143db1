#pragma once
// The header phase of the downloader's GET answer as a pure reader: fed the answer one
// byte at a time (the downloader receives it so, to leave the body in the socket), it keeps
// the current line and applies the header rules to each line once it ends with CR LF.

#include <string>

namespace net {

class HttpHeaderReader {
 public:
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

  // The value of the last "Content-Length: " line, 0 when there is none or it is no whole
  // 32-bit number.
  int ContentLength() const { return contentLength_; }
  // The last "Content-Range:" line named a satisfied range, and no "Object Not Found" line
  // followed it.
  bool RangeAccepted() const { return rangeAccepted_; }

 private:
  // The rules for one complete line, in their order; the step after it.
  Step ApplyLine();

  std::string line_;
  int total_ = 0;
  int contentLength_ = 0;
  bool rangeAccepted_ = false;
  Step step_ = Step::NeedMore;
};

}  // namespace net
