#include "core/StringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

TEST(StringList, KeepsOrderAndDuplicatesAndFindsTheFirstMatchIgnoringCase) {
  TStringList list;
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.IndexOf("a"), -1);
  list.Add("Quillet.exe");
  list.Add("plugins/a.dll");
  list.Add("QUILLET.EXE");
  list.Add("");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.IndexOf("quillet.exe"), 0);
  EXPECT_EQ(list.IndexOf("PLUGINS/A.DLL"), 1);
  EXPECT_EQ(list.IndexOf(""), 3);
  EXPECT_EQ(list.IndexOf("plugins/a.dl"), -1);
  Texts seen;
  for (const std::string &item : list) seen.push_back(item);
  EXPECT_EQ(seen, (Texts{"Quillet.exe", "plugins/a.dll", "QUILLET.EXE", ""}));
  EXPECT_EQ(list[2], "QUILLET.EXE");
  list.Clear();
  EXPECT_TRUE(list.Empty());
}

}  // namespace
