#include "sys/Platform.h"
#include "tools/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateCommandLine, OptionsAreTakenAndCompleted) {
  UpdateCommandLine options;
  ASSERT_TRUE(ParseUpdateCommandLine({"--dir", "inst", "--host", "127.0.0.1", "--path", "http://h/p", "update"},
                                     options));
  EXPECT_EQ(options.Dir, std::string("inst") + sys::PathSep);
  EXPECT_EQ(options.Host, "127.0.0.1");
  EXPECT_EQ(options.Path, "http://h/p/");
  EXPECT_EQ(options.Command, "update");

  ASSERT_TRUE(ParseUpdateCommandLine({"check"}, options));
  EXPECT_EQ(options.Dir, "");
  EXPECT_EQ(options.Path, "");
  EXPECT_EQ(options.Command, "check");
}

TEST(UpdateCommandLine, BadUsageIsRefused) {
  UpdateCommandLine options;
  EXPECT_FALSE(ParseUpdateCommandLine({}, options));
  EXPECT_FALSE(ParseUpdateCommandLine({"--dir", "x"}, options));
  EXPECT_FALSE(ParseUpdateCommandLine({"check", "update"}, options));
  EXPECT_FALSE(ParseUpdateCommandLine({"install"}, options));
  EXPECT_FALSE(ParseUpdateCommandLine({"check", "--dir"}, options));
  EXPECT_FALSE(ParseUpdateCommandLine({"--verbose", "check"}, options));
}

}  // namespace
