#include "net/EchoReply.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using net::EchoReplyMatches;

class EchoReplyTest : public ::testing::Test {
 protected:
  EchoReplyTest() {
    buffer[40] = 'P';
    buffer[50] = 'x';
  }
  const unsigned char *At(std::size_t offset) const { return buffer.data() + offset; }

  std::array<unsigned char, net::kEchoReplyBufferSize> buffer{};
};

TEST_F(EchoReplyTest, ComparesTheByteAtTheOptionsPointerWhenItLiesInTheBuffer) {
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), At(40), At(50)));
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), buffer.size(), At(50), At(40)));
  // The last byte is inside.
  buffer.back() = 'P';
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), At(buffer.size() - 1), nullptr));
}

TEST_F(EchoReplyTest, FallsBackToTheEchoedDataWhenTheOptionsPointerIsOutside) {
  unsigned char elsewhere = 'x';
  // A pointer that no reply buffer of ours could hold: reading it would crash.
  const void *wild = reinterpret_cast<const void *>(std::uintptr_t{16});
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), nullptr, At(40)));
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), &elsewhere, At(40)));
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), wild, At(40)));
  EXPECT_TRUE(EchoReplyMatches(buffer.data(), buffer.size(), At(buffer.size()), At(40)));
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), buffer.size(), nullptr, At(50)));
}

TEST_F(EchoReplyTest, ReplyWithNeitherPointerInsideDoesNotCount) {
  const void *wild = reinterpret_cast<const void *>(std::uintptr_t{16});
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), buffer.size(), nullptr, nullptr));
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), buffer.size(), wild, wild));
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), buffer.size(), nullptr, At(buffer.size())));
  // Only the stored part of the buffer counts: a 'P' beyond it is not looked at.
  EXPECT_FALSE(EchoReplyMatches(buffer.data(), 40, nullptr, At(40)));
}

}  // namespace
