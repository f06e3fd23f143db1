#include "core/CaseIndex.h"

#include <gtest/gtest.h>

#include <string>

#include "sys/TextCase.h"

namespace {

// The index holds two texts apart exactly when the list's comparison does, whatever
// folding makes of them: every pair of one-byte names past ASCII (where Windows maps
// characters it cannot fold alike), names with a zero byte, and plain case variants.
TEST(CaseIndex, TwoTextsShareASlotExactlyWhenTheListCallsThemEqual) {
  std::vector<std::pair<std::string, std::string>> pairs{{"Quillet.exe", "QUILLET.EXE"},
                                                         {"a.dll", "a.dl"},
                                                         {std::string("a\0x", 3), std::string("a\0y", 3)},
                                                         {std::string("a\0x", 3), std::string("A\0X", 3)},
                                                         {"", "x"}};
  for (int first = 0x80; first <= 0xFF; ++first) {
    for (int second = first + 1; second <= 0xFF; ++second) {
      pairs.push_back({"x" + std::string(1, char(first)), "x" + std::string(1, char(second))});
    }
  }
  for (const auto &[a, b] : pairs) {
    TCaseIndex index;
    ASSERT_TRUE(index.Insert(a));
    EXPECT_TRUE(index.Contains(a));
    const bool equal = sys::SameTextIgnoringCase(a, b);
    EXPECT_EQ(index.Insert(b), !equal) << "\"" << a << "\" and \"" << b << "\"";
    EXPECT_TRUE(index.Contains(b));
    EXPECT_FALSE(index.Insert(a));
  }
}

}  // namespace
