#include "engine/ManifestNames.h"

#include <gtest/gtest.h>

namespace {

TEST(ManifestNames, RelativeNamesInsideTheProgramDirectoryAreKept) {
  for (const char *name :
       {"Quillet.exe", "plugins/extra.dll", "Language\\chs.ini", "a..b", "..hidden", "x.", "\xC7\xEB\xCE\xF0.txt"}) {
    EXPECT_TRUE(IsSafeManifestName(name)) << name;
  }
}

TEST(ManifestNames, NamesThatLeaveTheDirectoryOrCannotBeStoredAreDropped) {
  for (const char *name : {"", "/etc/passwd", "\\windows\\x.dll", "C:/x.exe", "c:x.exe", "..", "../x", "a/../../b",
                           "a\\..\\b", "a/..", "a:b", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a\tb", "a\r\nb"}) {
    EXPECT_FALSE(IsSafeManifestName(name)) << name;
  }
}

TEST(ManifestNames, DroppingKeepsTheOrderOfTheRest) {
  TStringList list;
  for (const char *name : {"a.txt", "../evil", "b/c.txt", "", "d.txt"}) list.Add(name);
  DropUnsafeNames(list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a.txt", "b/c.txt", "d.txt"}));
}

}  // namespace
