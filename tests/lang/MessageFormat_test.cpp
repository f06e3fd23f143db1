#include "lang/MessageFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageFormat, TheOneStringPlaceholderTakesTheArgument) {
  EXPECT_EQ(FormatMessageText("Cannot connect to %s.", "update.example"), "Cannot connect to update.example.");
  EXPECT_EQ(FormatMessageText("%s", "1.3.0.0"), "1.3.0.0");
  EXPECT_EQ(FormatMessageText("No placeholder", "1.3.0.0"), "No placeholder");
  EXPECT_EQ(FormatMessageText("", "x"), "");
}

TEST(MessageFormat, EveryOtherPercentSequenceStandsAsWritten) {
  EXPECT_EQ(FormatMessageText("100%% done: %s", "a"), "100% done: a");
  EXPECT_EQ(FormatMessageText("%d files, %n, %x, %-10s", "a"), "%d files, %n, %x, %-10s");
  // Only the first "%s" is the message's argument; a second has none to take.
  EXPECT_EQ(FormatMessageText("%s and %s", "a"), "a and %s");
  EXPECT_EQ(FormatMessageText("%%s is literal, %s is not", "a"), "%s is literal, a is not");
  EXPECT_EQ(FormatMessageText("ends with %", "a"), "ends with %");
  EXPECT_EQ(FormatMessageText("%", "a"), "%");
}

TEST(MessageFormat, TheArgumentIsNeverFormattedItself) {
  EXPECT_EQ(FormatMessageText("Version %s.", "%s %% %d"), "Version %s %% %d.");
}

}  // namespace
