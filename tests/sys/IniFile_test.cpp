#include "sys/IniFile.h"

#include <gtest/gtest.h>

#include "sys/Error.h"
#include "sys/StringList.h"
#include "tests/support/TestDir.h"

using testing_support::TestDir;
using testing_support::WriteWholeFile;

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

TEST(IniFile, ReadsSectionsKeysAndEntries) {
  TestDir dir;
  WriteWholeFile(dir / "a.ini",
                 "[files_ver_1.0]\r\nf1=Quillet.exe\r\nf2=b=c\r\nf3=\r\nF1=repeated\r\n[Other]\r\nx=1\r\n");
  TIniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.FileName(), dir / "a.ini");
  TStringList list;
  list.Add("left over");
  ini.ReadSections(list);
  EXPECT_EQ(list.Items(), (Texts{"files_ver_1.0", "Other"}));
  ini.ReadSection("FILES_VER_1.0", list);
  EXPECT_EQ(list.Items(), (Texts{"f1", "f2", "f3", "F1"}));
  // Each value is read by its key, so the repeated key gives the first key's value.
  ini.ReadSectionValues("files_ver_1.0", list);
  EXPECT_EQ(list.Items(), (Texts{"f1=Quillet.exe", "f2=b=c", "f3=", "F1=Quillet.exe"}));
  ini.ReadSectionValues("missing", list);
  EXPECT_TRUE(list.Empty());
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
