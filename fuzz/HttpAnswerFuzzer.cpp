// The downloader's readers of what a server sends: the size probe's scan of its one
// receive, and the GET answer's header phase fed byte by byte as the socket delivers it.

#include "fuzz/FuzzSupport.h"
#include "net/HttpHeaderReader.h"
#include "net/HttpText.h"
#include "sys/TextCase.h"

namespace {

using fuzz::Require;
using net::HttpHeaderReader;

bool HasLineStartingWith(const std::string &lines, const char *prefix) {
  const std::string lower = sys::LowerAscii(lines);
  const std::string wanted = prefix;
  for (std::size_t start = 0; start < lower.size();) {
    if (lower.compare(start, wanted.size(), wanted) == 0) return true;
    const std::size_t end = lower.find("\r\n", start);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char *>(data), size);

  const int probed = net::ScanContentLength(answer);
  Require(probed == 0 || HasLineStartingWith(answer, "content-length: "), "a probed size comes from its line");

  HttpHeaderReader reader;
  HttpHeaderReader::Step step = HttpHeaderReader::Step::NeedMore;
  std::size_t taken = 0;
  while (taken < size && step == HttpHeaderReader::Step::NeedMore) step = reader.Take(answer[taken++]);
  const std::string headers = answer.substr(0, taken);

  Require(taken <= std::size_t(HttpHeaderReader::kMaxTotal), "the header phase takes no more than its bound");
  if (step == HttpHeaderReader::Step::Complete) {
    const bool endsBlank = headers.size() >= 4 && headers.compare(headers.size() - 4, 4, "\r\n\r\n") == 0;
    Require(headers == "\r\n" || endsBlank, "complete headers end with a blank line");
    Require(sys::LowerAscii(headers).find("object not found") == std::string::npos,
            "an answer that has no object completes no header phase");
  }
  if (reader.RangeAccepted()) {
    Require(HasLineStartingWith(headers, "content-range:"), "an accepted range comes from its line");
  }
  if (reader.RangeIsWhole()) {
    Require(reader.RangeAccepted() && reader.ContentLength() > 0, "a whole range is an accepted one of some length");
  }
  if (reader.StatusCode() != 0) {
    Require(sys::LowerAscii(headers).compare(0, 5, "http/") == 0 && headers.find("\r\n") != std::string::npos,
            "a status code comes from a whole first line");
    Require(reader.StatusCode() >= 0 && reader.StatusCode() <= 999, "a status code has three digits");
  }
  if (reader.ContentLength() != 0) {
    Require(HasLineStartingWith(headers, "content-length: "), "a length comes from its line");
  }

  // Once the phase has ended, what follows is body: it changes nothing.
  if (step != HttpHeaderReader::Step::NeedMore) {
    const int length = reader.ContentLength();
    const bool range = reader.RangeAccepted();
    for (std::size_t i = taken; i < size; ++i) Require(reader.Take(answer[i]) == step, "an ended phase stays ended");
    Require(reader.ContentLength() == length && reader.RangeAccepted() == range, "the body leaves the headers alone");
  }
  return 0;
}
