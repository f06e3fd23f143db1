#include "net/HttpText.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpText, WholeInt32OrZeroTakesOnlyWhole32BitNumbers) {
  EXPECT_EQ(net::WholeInt32OrZero(" 1234 \r\n"), 1234);
  EXPECT_EQ(net::WholeInt32OrZero("-17"), -17);
  EXPECT_EQ(net::WholeInt32OrZero("2147483647"), 2147483647);
  EXPECT_EQ(net::WholeInt32OrZero("-2147483648"), -2147483647 - 1);
  // One past the range, and a value that would wrap to 5 in 32 bits.
  EXPECT_EQ(net::WholeInt32OrZero("2147483648"), 0);
  EXPECT_EQ(net::WholeInt32OrZero("4294967301"), 0);
  EXPECT_EQ(net::WholeInt32OrZero("99999999999999999999999"), 0);
  EXPECT_EQ(net::WholeInt32OrZero("12abc"), 0);
  EXPECT_EQ(net::WholeInt32OrZero("1 2"), 0);
  EXPECT_EQ(net::WholeInt32OrZero(""), 0);
  EXPECT_EQ(net::WholeInt32OrZero("-"), 0);
}

TEST(HttpText, SatisfiedRangesOnly) {
  struct Case {
    const char *value;
    std::int64_t first, last, total;
  };
  for (const Case &c : {Case{" bytes 0-99/100\r\n", 0, 99, 100}, Case{"BYTES 5-9/*", 5, 9, -1},
                        Case{"bytes 0-0/1", 0, 0, 1}, Case{"bytes 0-4294967299/4294967300", 0, 4294967299, 4294967300}}) {
    SCOPED_TRACE(c.value);
    net::ByteRange range;
    ASSERT_TRUE(net::ParseByteRange(c.value, range));
    EXPECT_EQ(range.First, c.first);
    EXPECT_EQ(range.Last, c.last);
    EXPECT_EQ(range.Total, c.total);
  }
  for (const char *value : {" bytes */100\r\n", " bytes 0-/100", " bytes0-99/100", " items 0-99/100", "", "bytes 5-4/10",
                            "bytes 0-10/10", "bytes 0-9/10x", "bytes 0-9/*x", "bytes 0-1234567890123456789/*"}) {
    net::ByteRange range;
    EXPECT_FALSE(net::ParseByteRange(value, range)) << value;
  }
}

TEST(HttpText, RequestTargetEncodesControlsSpaceAndDelOnly) {
  EXPECT_EQ(net::EncodeRequestTarget("a b\r\nc\x7F\x01.txt"), "a%20b%0D%0Ac%7F%01.txt");
  // Everything else stands as written, "%" and code page bytes included.
  EXPECT_EQ(net::EncodeRequestTarget("dir/%41\xD6\xD0~!"), "dir/%41\xD6\xD0~!");
}

TEST(HttpText, TrimTouchesOnlyBlanksAndControls) {
  EXPECT_EQ(net::TrimBlanks("\t \x01 http://a/b \r\n"), "http://a/b");
}

TEST(HttpText, ProbeScanRules) {
  // The status line is scanned like any other line; the first matching line wins.
  EXPECT_EQ(net::ScanContentLength("HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 11\r\ncontent-length: 22\r\n\r\n"), 11);
  EXPECT_EQ(net::ScanContentLength("content-length: 7\r\n"), 7);
  // Text after the last CR LF is never examined.
  EXPECT_EQ(net::ScanContentLength("HTTP/1.1 200 OK\r\nContent-Length: 33"), 0);
  // No blank after the colon, bare LF lines, a value that is not a number.
  EXPECT_EQ(net::ScanContentLength("HTTP/1.1 200 OK\r\nContent-Length:44\r\n\r\n"), 0);
  EXPECT_EQ(net::ScanContentLength("HTTP/1.1 200 OK\nContent-Length: 55\n\n"), 0);
  EXPECT_EQ(net::ScanContentLength("HTTP/1.1 200 OK\r\nContent-Length: x\r\nContent-Length: 5\r\n"), 0);
}

}  // namespace
