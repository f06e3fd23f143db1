#include "tools/CommandLine.h"

#include <gtest/gtest.h>

#include "sys/Platform.h"

namespace {

TEST(UpdateCommandLine, OptionsAreTakenAndCompleted) {
  UpdateCommandLine options;
  ASSERT_TRUE(
      ParseUpdateCommandLine({"--dir", "inst", "--host", "127.0.0.1", "--path", "http://h/p", "update"}, options));
  EXPECT_EQ(options.Dir, std::string("inst") + sys::kPathSep);
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

TEST(PublishCommandLine, OptionsAreTakenAndCompleted) {
  PublishCommandLine command;
  ASSERT_TRUE(ParsePublishCommandLine({"--release", "rel", "--server", "srv"}, command));
  EXPECT_EQ(command.Options.ServerDir, std::string("srv") + sys::kPathSep);
  EXPECT_EQ(command.Options.ReleaseDir, std::string("rel") + sys::kPathSep);
  EXPECT_EQ(command.Options.Version, "");
  EXPECT_FALSE(command.DryRun);

  ASSERT_TRUE(ParsePublishCommandLine({"--dry-run", "--server", "s/", "--version", "1.2", "--release", "r"}, command));
  EXPECT_EQ(command.Options.ServerDir, "s/");
  EXPECT_EQ(command.Options.Version, "1.2");
  EXPECT_TRUE(command.DryRun);

  ASSERT_TRUE(ParsePublishCommandLine({"refresh", "--server", "s", "--key", "k", "--min-serial", "9999999999999999999",
                                       "--adopt-unsigned", "old1", "--adopt-unsigned", "old2/"},
                                      command));
  EXPECT_EQ(command.Options.MinSerial, 9999999999999999999u);
  EXPECT_EQ(command.Options.AdoptFrom, (std::vector<std::string>{std::string("old1") + sys::kPathSep, "old2/"}));
}

TEST(PublishCommandLine, BadUsageIsRefused) {
  PublishCommandLine command;
  EXPECT_FALSE(ParsePublishCommandLine({}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--release", "r"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", ""}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--server", "t", "--release", "r"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", "r", "--dry-run", "--dry-run"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", "r", "extra"}, command));
  // Serials are 1 to 19 digits, and both signing options need a key.
  for (const char *serial : {"0", "-1", "1x", "10000000000000000000", ""}) {
    EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", "r", "--key", "k", "--min-serial", serial},
                                         command))
        << serial;
  }
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", "r", "--min-serial", "5"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"--server", "s", "--release", "r", "--adopt-unsigned", "r0"}, command));
  EXPECT_FALSE(ParsePublishCommandLine({"keygen", "--private", "a", "--public", "b", "--min-serial", "5"}, command));
}

}  // namespace
