#include "net/HttpHeaderReader.h"

#include <gtest/gtest.h>

namespace {

using net::HttpHeaderReader;
using Step = HttpHeaderReader::Step;

// Feeds text byte by byte, as the downloader does, until the phase ends; the step it ended
// with and how many bytes it took.
std::pair<Step, std::size_t> Feed(HttpHeaderReader &reader, const std::string &text) {
  Step step = Step::NeedMore;
  std::size_t taken = 0;
  while (taken < text.size() && step == Step::NeedMore) step = reader.Take(text[taken++]);
  return {step, taken};
}

TEST(HttpHeaderReader, EndsAtTheBlankLineAndLeavesTheBody) {
  HttpHeaderReader reader;
  const std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-4/5\r\nContent-Length: 5\r\n\r\n";
  EXPECT_EQ(Feed(reader, head + "hello"), std::make_pair(Step::Complete, head.size()));
  EXPECT_EQ(reader.ContentLength(), 5);
  EXPECT_TRUE(reader.RangeAccepted());
  // The body's bytes belong to the body phase: they change nothing here.
  EXPECT_EQ(reader.Take('\r'), Step::Complete);
  EXPECT_EQ(Feed(reader, "Content-Length: 9\r\nObject Not Found\r\n").first, Step::Complete);
  EXPECT_EQ(reader.ContentLength(), 5);
  EXPECT_TRUE(reader.RangeAccepted());
}

// The status code is read from the first line alone, three digits and then a blank or the
// line's end; a proxy's 407 is told apart only so.
TEST(HttpHeaderReader, TheStatusCodeComesFromTheFirstLineAlone) {
  const struct {
    const char *answer;
    int code;
  } cases[] = {
      {"HTTP/1.1 407 Proxy Authentication Required\r\n\r\n", 407},
      {"HTTP/1.0 407\r\n\r\n", 407},
      {"http/1.1 206 Partial\r\n\r\n", 206},
      {"HTTP/1.1 4070 Odd\r\n\r\n", 0},
      {"HTTP/1.1  407 Two blanks\r\n\r\n", 0},
      {"HTTP/1.1 40\r\n\r\n", 0},
      {"ICY 407 Not HTTP\r\n\r\n", 0},
      {"X-First: 1\r\nHTTP/1.1 407 Later\r\n\r\n", 0},
      {"HTTP/1.1 407", 0},  // the line has not ended
  };
  for (const auto &c : cases) {
    HttpHeaderReader reader;
    Feed(reader, c.answer);
    EXPECT_EQ(reader.StatusCode(), c.code) << c.answer;
  }
}

// Only a range that begins at the requested byte is the body asked for, and only one that
// runs to the file's end with the announced length is the whole file.
TEST(HttpHeaderReader, AWholeRangeStartsWhereAskedHasTheLengthAndReachesTheEnd) {
  struct Case {
    std::int64_t firstByte;
    const char *range;
    int length;
    bool accepted, whole;
  };
  for (const Case &c : {Case{0, "bytes 0-9/10", 10, true, true}, Case{0, "bytes 0-9/*", 10, true, true},
                        Case{0, "bytes 0-4/10", 5, true, false}, Case{0, "bytes 5-9/10", 5, false, false},
                        Case{0, "bytes 0-9/10", 9, true, false}, Case{0, "bytes 0-8/*", 10, true, false},
                        Case{5, "bytes 5-9/10", 5, true, true}, Case{5, "bytes 0-9/10", 10, false, false}}) {
    SCOPED_TRACE(std::string(c.range) + " length " + std::to_string(c.length));
    HttpHeaderReader reader(c.firstByte);
    const std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: " + std::string(c.range) +
                             "\r\nContent-Length: " + std::to_string(c.length) + "\r\n\r\n";
    ASSERT_EQ(Feed(reader, head).first, Step::Complete);
    EXPECT_EQ(reader.RangeAccepted(), c.accepted);
    EXPECT_EQ(reader.RangeIsWhole(), c.whole);
  }
}

TEST(HttpHeaderReader, LaterLinesDecideTheRangeAndTheLength) {
  HttpHeaderReader unsatisfiable;
  EXPECT_EQ(Feed(unsatisfiable, "Content-Range: bytes 0-4/5\r\ncontent-range: bytes */5\r\n\r\n").first,
            Step::Complete);
  EXPECT_FALSE(unsatisfiable.RangeAccepted());

  HttpHeaderReader notFound;
  const std::string answer = "Content-Range: bytes 0-4/5\r\nX-Why: OBJECT not found\r\nContent-Length: 5\r\n\r\n";
  EXPECT_EQ(Feed(notFound, answer).first, Step::Dropped);
  EXPECT_FALSE(notFound.RangeAccepted());
  EXPECT_EQ(notFound.ContentLength(), 0);

  // A bare LF never ends a line, so neither the length nor the blank line is seen.
  HttpHeaderReader bareLf;
  EXPECT_EQ(Feed(bareLf, "Content-Length: 5\n\nhello").first, Step::NeedMore);
  EXPECT_EQ(bareLf.ContentLength(), 0);
}

TEST(HttpHeaderReader, BoundsCountTheLineEndAndEveryByte) {
  // A line of exactly kMaxLine bytes with its CR LF is taken; one byte more is not.
  const std::string longest = "X: " + std::string(HttpHeaderReader::kMaxLine - 5, 'x') + "\r\n";
  ASSERT_EQ(longest.size(), std::size_t(HttpHeaderReader::kMaxLine));
  HttpHeaderReader atBound;
  EXPECT_EQ(Feed(atBound, longest + "\r\n").first, Step::Complete);
  HttpHeaderReader pastBound;
  EXPECT_EQ(Feed(pastBound, "X" + longest + "\r\n"), std::make_pair(Step::Dropped, longest.size()));

  // Short lines up to the total bound, then the blank line one byte too many.
  std::string lines;
  while (lines.size() + 10 <= std::size_t(HttpHeaderReader::kMaxTotal)) lines += "X: 12345\r\n";
  lines += std::string(HttpHeaderReader::kMaxTotal - lines.size() - 2, 'y') + "\r\n";
  ASSERT_EQ(lines.size(), std::size_t(HttpHeaderReader::kMaxTotal));
  HttpHeaderReader total;
  EXPECT_EQ(Feed(total, lines + "\r\n"), std::make_pair(Step::Dropped, lines.size() + 1));
}

}  // namespace
