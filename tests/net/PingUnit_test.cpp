#include "net/PingUnit.h"

#include <gtest/gtest.h>

namespace {

// Loopback answers echo requests on every system the tests run on.
constexpr int kAnswerWaitMs = 5000;

TEST(TPingTest, LoopbackAnswersByAddressAndByName) {
  TPing ping;
  EXPECT_EQ(ping.Ping("127.0.0.1", kAnswerWaitMs), 1);

  std::string address = "stale";
  EXPECT_EQ(ping.PingByName("127.0.0.1", kAnswerWaitMs, address), 1);
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(ping.PingByName("localhost", kAnswerWaitMs, address), 1);
  EXPECT_EQ(address, "127.0.0.1");
  // Calls on one probe are independent: a later request is matched to its own reply.
  EXPECT_EQ(ping.Ping("127.0.0.1", kAnswerWaitMs), 1);
}

TEST(TPingTest, ProbesAreIndependentOfEachOther) {
  TPing first;
  TPing second;
  EXPECT_EQ(second.Ping("127.0.0.1", kAnswerWaitMs), 1);
  EXPECT_EQ(first.Ping("127.0.0.1", kAnswerWaitMs), 1);
}

TEST(TPingTest, TextThatIsNoAddressGivesMinusOne) {
  TPing ping;
  // 255.255.255.255 converts to the no-address value, like text that is no address at all.
  EXPECT_EQ(ping.Ping("255.255.255.255", kAnswerWaitMs), -1);
  EXPECT_EQ(ping.Ping("not an address", kAnswerWaitMs), -1);
  EXPECT_EQ(ping.Ping("127.0.0.256", kAnswerWaitMs), -1);

  std::string address;
  EXPECT_EQ(ping.PingByName("255.255.255.255", kAnswerWaitMs, address), -1);
  EXPECT_EQ(address, "255.255.255.255");
}

}  // namespace
