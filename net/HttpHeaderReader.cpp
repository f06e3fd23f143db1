#include "net/HttpHeaderReader.h"

#include "net/HttpText.h"
#include "sys/TextCase.h"

namespace net {

HttpHeaderReader::Step HttpHeaderReader::Take(char byte) {
  if (step_ != Step::NeedMore) return step_;
  if (++total_ > kMaxTotal) return step_ = Step::Dropped;
  line_ += byte;
  if (line_.size() < 2 || line_.compare(line_.size() - 2, 2, "\r\n") != 0) {
    // A line of kMaxLine bytes is still taken when they end in CR LF.
    if (line_.size() >= std::size_t(kMaxLine)) step_ = Step::Dropped;
    return step_;
  }
  step_ = ApplyLine();
  line_.clear();
  return step_;
}

bool HttpHeaderReader::RangeIsWhole() const {
  return rangeAccepted_ && range_.Last - range_.First + 1 == contentLength_ &&
         (range_.Total < 0 || range_.Last == range_.Total - 1);
}

HttpHeaderReader::Step HttpHeaderReader::ApplyLine() {
  // The status line is a line like the others; its code is read only to tell a proxy
  // that wants credentials.
  const std::string lower = sys::LowerAscii(line_);
  if (firstLine_) {
    firstLine_ = false;
    // "HTTP/x.y NNN" and then a blank or the line's end: three digits, no more.
    const std::size_t blank = line_.find(' ');
    if (StartsWith(lower, "http/") && blank != std::string::npos && line_.size() >= blank + 5) {
      const std::string code = line_.substr(blank + 1, 3);
      const char after = line_[blank + 4];
      if (code.find_first_not_of("0123456789") == std::string::npos && (after == ' ' || after == '\r')) {
        statusCode_ = std::stoi(code);
      }
    }
  }
  if (StartsWith(lower, "content-range:")) {
    rangeAccepted_ = ParseByteRange(line_.substr(14), range_) && range_.First == firstByte_;
  }
  if (lower.find("object not found") != std::string::npos) {
    rangeAccepted_ = false;
    return Step::Dropped;
  }
  if (StartsWith(lower, "content-length: ")) contentLength_ = WholeInt32OrZero(line_.substr(16));
  return line_ == "\r\n" ? Step::Complete : Step::NeedMore;
}

}  // namespace net
