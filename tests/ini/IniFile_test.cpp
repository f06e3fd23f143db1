#include "ini/IniFile.h"

#include <gtest/gtest.h>

#include "ini/Profile.h"
#include "sys/Error.h"
#include "tests/support/TestDir.h"

using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

using Texts = std::vector<std::string>;

TEST(IniFile, ReadsSectionsKeysAndEntries) {
  TestDir dir;
  WriteWholeFile(dir / "a.ini",
                 "[files_ver_1.0]\r\nf1=Quillet.exe\r\nf2=b=c\r\nf3=\r\nF1=repeated\r\n[Other]\r\nx=1\r\n");
  TIniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.FileName(), dir / "a.ini");
  EXPECT_EQ(ini::ReadProfileSectionNames(dir / "a.ini"), (Texts{"files_ver_1.0", "Other"}));
  EXPECT_EQ(ini::ReadProfileKeyNames(dir / "a.ini", "FILES_VER_1.0"), (Texts{"f1", "f2", "f3", "F1"}));
  // Each value is read by its key, so the repeated key gives the first key's value.
  using Entries = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ini::ReadProfileSectionValues(dir / "a.ini", "files_ver_1.0"),
            (Entries{{"f1", "Quillet.exe"}, {"f2", "b=c"}, {"f3", ""}, {"F1", "Quillet.exe"}}));
  EXPECT_TRUE(ini::ReadProfileSectionValues(dir / "a.ini", "missing").empty());
  EXPECT_EQ(ini.ReadString("other", "X", "d"), "1");
  EXPECT_EQ(ini.ReadString("other", "y", "d"), "d");
}

TEST(IniFile, WritesAndReportsARefusedWrite) {
  TestDir dir;
  TIniFile ini(dir / "w.ini");
  ini.WriteString("conf", "last_version", "1.0.0.0");
  EXPECT_EQ(ini.ReadString("conf", "last_version", ""), "1.0.0.0");

  const std::string unwritable = dir / "missing/w.ini";
  TIniFile refused(unwritable);
  try {
    refused.WriteString("conf", "last_version", "1.0.0.0");
    FAIL() << "the write into a missing directory was accepted";
  } catch (const sys::Error &error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + unwritable);
  }
}

}  // namespace
