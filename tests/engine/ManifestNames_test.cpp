#include "engine/ManifestNames.h"

#include <gtest/gtest.h>

namespace {

TEST(ManifestNames, RelativeNamesInsideTheProgramDirectoryAreKept) {
  for (const char *name : {"Quillet.exe", "plugins/extra.dll", "Language\\chs.ini", "a..b", "..hidden",
                           "\xC7\xEB\xCE\xF0.txt", "cached/x", "x/cache/y", "sub/update.ini", "update.ini.txt",
                           "console.txt", "COM10", "LPT0.txt", "nul_d/x", "back~up.txt", "longername~1.txt",
                           "a.quillet-newer", "a~b.txt", "journal.quillet"}) {
    EXPECT_EQ(ManifestNameProblem(name), TNameProblem::kNone) << name;
  }
}

TEST(ManifestNames, NamesThatLeaveTheDirectoryCannotBeStoredOrReachOurFilesAreDropped) {
  struct Case {
    const char *name;
    TNameProblem problem;
  };
  const Case cases[] = {
      {"", TNameProblem::kEmpty},
      {"a//b", TNameProblem::kEmpty},
      {"dir/", TNameProblem::kEmpty},
      {"/etc/passwd", TNameProblem::kAbsolute},
      {"\\windows\\x.dll", TNameProblem::kAbsolute},
      {"C:/x.exe", TNameProblem::kForbiddenCharacter},
      {"c:x.exe", TNameProblem::kForbiddenCharacter},
      {"..", TNameProblem::kParentSegment},
      {"../x", TNameProblem::kParentSegment},
      {"a/../../b", TNameProblem::kParentSegment},
      {"a\\..\\b", TNameProblem::kParentSegment},
      {"a/..", TNameProblem::kParentSegment},
      {"a:b", TNameProblem::kForbiddenCharacter},
      {"a<b", TNameProblem::kForbiddenCharacter},
      {"a>b", TNameProblem::kForbiddenCharacter},
      {"a\"b", TNameProblem::kForbiddenCharacter},
      {"a|b", TNameProblem::kForbiddenCharacter},
      {"a?b", TNameProblem::kForbiddenCharacter},
      {"a*b", TNameProblem::kForbiddenCharacter},
      {"a\tb", TNameProblem::kForbiddenCharacter},
      {"a\r\nb", TNameProblem::kForbiddenCharacter},
      // Windows strips a trailing dot or blank: "Cache." and "CACHE " are the staging folder.
      {"x.", TNameProblem::kTrailingDotOrBlank},
      {"./install.journal", TNameProblem::kTrailingDotOrBlank},
      {"Cache./install.journal", TNameProblem::kTrailingDotOrBlank},
      {"CACHE /x", TNameProblem::kTrailingDotOrBlank},
      {"dir /x", TNameProblem::kTrailingDotOrBlank},
      {"CON", TNameProblem::kDeviceName},
      {"plugins/aux.dll", TNameProblem::kDeviceName},
      {"Nul.txt.bak", TNameProblem::kDeviceName},
      {"nul.d/x", TNameProblem::kDeviceName},
      {"prn /x", TNameProblem::kTrailingDotOrBlank},
      {"prn .txt", TNameProblem::kDeviceName},
      {"com1", TNameProblem::kDeviceName},
      {"LPT9.log", TNameProblem::kDeviceName},
      {"COM\xB9", TNameProblem::kDeviceName},
      {"INSTAL~1.JOU", TNameProblem::kShortNameForm},
      {"plugins/EXTRA~12.DLL", TNameProblem::kShortNameForm},
      {"QUILLE~1", TNameProblem::kShortNameForm},
      // The staging folder, the updater's files in it, and an installation's name endings.
      {"cache", TNameProblem::kReserved},
      {"Cache/Quillet.exe", TNameProblem::kReserved},
      {"CACHE\\update.ini", TNameProblem::kReserved},
      {"install.journal", TNameProblem::kReserved},
      {"INSTALL.JOURNAL", TNameProblem::kReserved},
      {"install.journal.rejected", TNameProblem::kReserved},
      {"update.ini", TNameProblem::kReserved},
      {"Update.INI.sig", TNameProblem::kReserved},
      {"update.lock", TNameProblem::kReserved},
      {"trust.state", TNameProblem::kReserved},
      {"Quillet.exe.quillet-new", TNameProblem::kReserved},
      {"plugins/a.dll.QUILLET-OLD", TNameProblem::kReserved},
      {"a.quillet-old/b", TNameProblem::kReserved},
      // A folder in the place of one of the updater's files would keep it from being written.
      {"install.journal/x.txt", TNameProblem::kReserved},
      {"Trust.State\\x", TNameProblem::kReserved},
      // Superscript digits in other code pages (Korean 949 here).
      {"COM\xA9\xF6", TNameProblem::kDeviceName},
      {"lpt\xB2.txt", TNameProblem::kDeviceName},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ManifestNameProblem(c.name), c.problem) << c.name;
    EXPECT_FALSE(IsSafeManifestName(c.name)) << c.name;
  }
}

TEST(ManifestNames, DroppingKeepsTheOrderOfTheRest) {
  TStringList list;
  for (const char *name : {"a.txt", "../evil", "b/c.txt", "", "install.journal", "d.txt", "B\\C.TXT", "b/c.txt"}) {
    list.Add(name);
  }
  DropUnsafeNames(list);
  // A second name of a file already listed is dropped too: it would be installed twice.
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a.txt", "b/c.txt", "d.txt"}));
}

}  // namespace
