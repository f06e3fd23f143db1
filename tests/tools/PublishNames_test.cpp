#include "tools/PublishNames.h"

#include <gtest/gtest.h>

namespace {

TEST(PublishNames, OrdinaryNamesArePublished) {
  for (const char *name : {"Quillet.exe", "Language/chs.ini", "Read Me.txt", "a/b c/d.e", "sub/update.ini",
                           "CONSOLE.txt", "COM0.txt", "COM10", "LPT.txt", "x.con", "nul_x", "a..b", "it's.txt"}) {
    EXPECT_EQ(PublishNameProblem(name), "") << name;
  }
}

TEST(PublishNames, NamesTheUpdaterDropsOrWindowsCannotStoreAreRefused) {
  for (const char *name : {"/abs", "a/../b", "..", "a:b", "a*b", "a<b", "a|b", "a\tb", "a\\b"}) {
    EXPECT_NE(PublishNameProblem(name), "") << name;
  }
}

TEST(PublishNames, NamesThatWouldChangeOnTheWayAreRefused) {
  // URL meaning, other code pages, controls.
  for (const char *name : {"a%41.txt", "a#b", "a?b", "caf\xC3\xA9.txt", "\xC7\xEB.txt", "del\x7F"}) {
    EXPECT_NE(PublishNameProblem(name), "") << name;
  }
  // What the INI reader strips from a value.
  EXPECT_NE(PublishNameProblem(" lead.txt"), "");
  EXPECT_NE(PublishNameProblem("'quoted'"), "");
  // The manifest's own place on the server, and every other file of the updater's own.
  for (const char *name : {"update.ini", "Update.INI", "update.ini.sig", "install.journal", "cache/x.dll",
                           "trust.state", "a.exe.quillet-old", "INSTAL~1.JOU"}) {
    EXPECT_NE(PublishNameProblem(name), "") << name;
  }
}

TEST(PublishNames, WindowsReservedNamesAreRefusedInAnySegment) {
  for (const char *name : {"CON", "con.txt", "Prn.log", "aux", "NUL.tar.gz", "COM1", "com9.dat", "LPT1.txt", "lpt9",
                           "dir/aux.ini", "AUX/x.txt", "name.", "name ", "dir./x", "dir /x"}) {
    EXPECT_NE(PublishNameProblem(name), "") << name;
  }
}

}  // namespace
