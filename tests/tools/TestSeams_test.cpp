#include "tests/tools/TestSeams.h"

#include <gtest/gtest.h>

namespace {

TEST(TestTimeLimits, FourPositiveMillisecondCountsAreTaken) {
  THttpFileDown::TimeLimits limits = THttpFileDown::kDefaultTimeLimits;
  ASSERT_TRUE(ParseTimeLimits("1000,2000,700,1200", limits));
  EXPECT_EQ(limits.ConnectMs, 1000);
  EXPECT_EQ(limits.SendMs, 2000);
  EXPECT_EQ(limits.ReceiveMs, 700);
  EXPECT_EQ(limits.HeaderPhaseMs, 1200);
}

TEST(TestTimeLimits, MalformedTextLeavesTheLimitsAlone) {
  for (const char *text : {"", "1000,1000,700", "1000,1000,700,1200,5", "1000,,700,1200", "1000,1000,0,1200",
                           "1000,1000,-5,1200", "1000,1000,7x,1200", "1000,1000,700,99999999999"}) {
    THttpFileDown::TimeLimits limits = THttpFileDown::kDefaultTimeLimits;
    EXPECT_FALSE(ParseTimeLimits(text, limits)) << text;
    EXPECT_EQ(limits.ReceiveMs, THttpFileDown::kDefaultTimeLimits.ReceiveMs) << text;
  }
}

}  // namespace
