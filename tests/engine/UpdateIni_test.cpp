#include "engine/UpdateIni.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sys/Error.h"
#include "ini/Profile.h"
#include "tests/support/TestDir.h"

using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

using Texts = std::vector<std::string>;

// A manifest in a test directory, with last_version written as the engine writes it.
class Manifest {
 public:
  explicit Manifest(const std::string &text) : path_(dir_ / "cache/update.ini") { WriteWholeFile(path_, text); }

  Texts FilesFor(const std::string &installed) {
    TUpdateIni ini(path_);
    ini.WriteStr(ukLastVersion, installed);
    TStringList list;
    list.Add("stale entry");
    ini.GetUpdateFiles(list);
    sections_ = ini.Sections().Items();
    return list.Items();
  }
  const Texts &Sections() const { return sections_; }
  const std::string &Path() const { return path_; }

 private:
  TestDir dir_;
  std::string path_;
  Texts sections_;
};

const char kExample[] =
    "[conf]\r\ncurr_version=1.3.0.0\r\n\r\n"
    "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\nf2=Language/chs.ini\r\n\r\n"
    "[files_ver_1.2.0.0]\r\nf1=Quillet.exe\r\nf2=plugins/extra.dll\r\n\r\n"
    "[files_ver_1.1.0.0]\r\nf1=readme.txt\r\n";

TEST(UpdateIni, FilesBetweenTheInstalledAndTheNewestRelease) {
  Manifest manifest(kExample);
  EXPECT_EQ(manifest.FilesFor("1.1.0.0"), (Texts{"Quillet.exe", "Language/chs.ini", "plugins/extra.dll"}));
  EXPECT_EQ(manifest.Sections(), (Texts{"conf", "files_ver_1.3.0.0", "files_ver_1.2.0.0", "files_ver_1.1.0.0"}));
  EXPECT_EQ(manifest.FilesFor("1.2.0.0"), (Texts{"Quillet.exe", "Language/chs.ini"}));
  // Equal versions stop before the sections are read.
  EXPECT_EQ(manifest.FilesFor("1.3.0.0"), Texts{});
  EXPECT_EQ(manifest.Sections(), Texts{});
  // Without a section of the installed release: the newest release's files alone.
  EXPECT_EQ(manifest.FilesFor("1.0.0.0"), (Texts{"Quillet.exe", "Language/chs.ini"}));
  EXPECT_EQ(manifest.FilesFor(""), (Texts{"Quillet.exe", "Language/chs.ini"}));
}

TEST(UpdateIni, ReleasesWrittenOldestFirstGiveNothing) {
  Manifest manifest(
      "[conf]\r\ncurr_version=1.3.0.0\r\n"
      "[files_ver_1.1.0.0]\r\nf1=readme.txt\r\n"
      "[files_ver_1.2.0.0]\r\nf1=Quillet.exe\r\nf2=plugins/extra.dll\r\n"
      "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\nf2=Language/chs.ini\r\n");
  EXPECT_EQ(manifest.FilesFor("1.1.0.0"), Texts{});
  EXPECT_EQ(manifest.FilesFor("1.2.0.0"), Texts{});
  // The newest section is last, so only it is read when the installed one is unknown.
  EXPECT_EQ(manifest.FilesFor("0.9"), (Texts{"Quillet.exe", "Language/chs.ini"}));
}

TEST(UpdateIni, MissingOrEmptyVersionsAndSections) {
  Manifest emptyNewest("[conf]\r\ncurr_version=\r\n[files_ver_]\r\nf=a\r\n[files_ver_1.0]\r\nf=b\r\n");
  EXPECT_EQ(emptyNewest.FilesFor("1.0"), Texts{});
  EXPECT_EQ(emptyNewest.Sections(), Texts{});

  Manifest noNewestSection("[conf]\r\ncurr_version=2.0\r\n[files_ver_1.0]\r\nf=b\r\n[files_ver_0.9]\r\nf=c\r\n");
  EXPECT_EQ(noNewestSection.FilesFor("0.9"), Texts{});

  // Versions that differ only in case pass the exact comparison but name one section.
  Manifest caseOnly("[conf]\r\ncurr_version=1.0a\r\n[files_ver_1.0A]\r\nf=a.dll\r\n");
  EXPECT_EQ(caseOnly.FilesFor("1.0A"), Texts{});
  EXPECT_EQ(caseOnly.FilesFor("1.0"), Texts{"a.dll"});

  // A section named "files_ver_" alone is the installed release of an empty version.
  Manifest bareSection("[conf]\r\ncurr_version=2\r\n[FILES_VER_2]\r\nf=a\r\n[x]\r\nf=b\r\n[files_ver_]\r\nf=c\r\n");
  EXPECT_EQ(bareSection.FilesFor(""), (Texts{"a", "b"}));

  Manifest missing("");
  std::remove(missing.Path().c_str());
  TUpdateIni absent(missing.Path());
  TStringList list;
  absent.GetUpdateFiles(list);
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(absent.ReadStr(ukCurrVersion), "");
  EXPECT_EQ(absent.ReadInt(ukCurrVersion), 0);
}

TEST(UpdateIni, EachPathOnceAtItsFirstPositionWithValuesAsWritten) {
  Manifest manifest(
      "[files_ver_3]\r\na=Quillet.exe\r\nb=\r\nc=b=c\r\n"
      "[conf]\r\ncurr_version=3\r\n"
      "[files_ver_2]\r\na=QUILLET.EXE\r\nb=\r\nc=new.dll\r\nd=B=C\r\n"
      "[files_ver_1]\r\na=old.dll\r\n");
  // Section "conf" between the two releases contributes its values, versions included.
  EXPECT_EQ(manifest.FilesFor("1"), (Texts{"Quillet.exe", "", "b=c", "3", "1", "new.dll"}));
}

TEST(UpdateIni, KeyNamesAndValuesOfConf) {
  Manifest manifest("[conf]\r\nhost=example.org\r\npath= -12\r\ncurr_version=$1F\r\n");
  TUpdateIni ini(manifest.Path());
  EXPECT_EQ(ini.KeyName(ukHost), "host");
  EXPECT_EQ(ini.KeyName(ukPath), "path");
  EXPECT_EQ(ini.KeyName(ukCurrVersion), "curr_version");
  EXPECT_EQ(ini.KeyName(ukLastVersion), "last_version");
  for (int id : {0, -1, 5, 1000}) EXPECT_EQ(ini.KeyName(id), "") << id;
  EXPECT_EQ(ini.ReadStr(ukHost), "example.org");
  EXPECT_EQ(ini.ReadStr(ukPath), "-12");
  EXPECT_EQ(ini.ReadStr(ukLastVersion), "");
  EXPECT_EQ(ini.ReadInt(ukCurrVersion), 31);
  EXPECT_EQ(ini.ReadInt(ukPath), -12);
  EXPECT_EQ(ini.ReadInt(ukLastVersion), 0);
  EXPECT_EQ(ini.ReadInt(ukHost), 0);

  const std::string before = ReadWholeFile(manifest.Path());
  EXPECT_EQ(ini.ReadStr(5), "");
  EXPECT_EQ(ini.ReadInt(0), 0);
  ini.WriteStr(5, "x");
  ini.WriteInt(-1, 7);
  EXPECT_EQ(ReadWholeFile(manifest.Path()), before);

  ini.WriteInt(ukPath, -2147483647 - 1);
  EXPECT_EQ(ini.ReadInt(ukPath), -2147483647 - 1);
  ini.WriteStr(ukLastVersion, "1.2.0.0");
  EXPECT_EQ(ini.ReadStr(ukLastVersion), "1.2.0.0");
  // Another reader of the file sees the change at once.
  EXPECT_EQ(ini::ReadProfileString(manifest.Path(), "CONF", "LAST_VERSION", ""), "1.2.0.0");
  EXPECT_NE(ReadWholeFile(manifest.Path()).find("last_version=1.2.0.0"), std::string::npos);
}

TEST(UpdateIni, ClosedAndRefusedWrites) {
  TestDir dir;
  const std::string unwritable = dir / "missing/update.ini";
  TUpdateIni ini(unwritable);
  EXPECT_THROW(ini.WriteStr(ukLastVersion, "1.0"), sys::Error);
  try {
    ini.WriteInt(ukLastVersion, 1);
    FAIL() << "the refused write was not reported";
  } catch (const sys::Error &error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + unwritable);
  }

  TUpdateIni closed(dir / "update.ini");
  closed.WriteStr(ukCurrVersion, "2.0");
  closed.Close();
  closed.Close();
  EXPECT_EQ(closed.ReadStr(ukCurrVersion), "");
  EXPECT_THROW(closed.WriteStr(ukCurrVersion, "3.0"), sys::Error);
  closed.Open();
  EXPECT_EQ(closed.ReadStr(ukCurrVersion), "2.0");
}

TEST(IniConf, IntegerText) {
  EXPECT_EQ(ParseConfInt("42"), 42);
  EXPECT_EQ(ParseConfInt("  \t-42"), -42);
  EXPECT_EQ(ParseConfInt("+7"), 7);
  EXPECT_EQ(ParseConfInt("$ff"), 255);
  EXPECT_EQ(ParseConfInt("x10"), 16);
  EXPECT_EQ(ParseConfInt("X10"), 16);
  EXPECT_EQ(ParseConfInt("0x7FFFFFFF"), 2147483647);
  EXPECT_EQ(ParseConfInt("0XFFFFFFFF"), -1);
  EXPECT_EQ(ParseConfInt("2147483647"), 2147483647);
  EXPECT_EQ(ParseConfInt("-2147483648"), -2147483647 - 1);
  for (const char *notAnInteger :
       {"", " ", "-", "$", "0x", "12a", "12 ", "1.5", "2147483648", "-2147483649", "0x100000000", "ff", "--1"}) {
    EXPECT_EQ(ParseConfInt(notAnInteger), 0) << notAnInteger;
  }
  // The base class names no key: everything reads empty and nothing is written.
  TestDir dir;
  TIniConf conf(dir / "conf.ini");
  EXPECT_EQ(conf.KeyName(1), "");
  conf.WriteStr(1, "x");
  EXPECT_EQ(conf.ReadStr(1), "");
  EXPECT_FALSE(std::ifstream(dir / "conf.ini").good());
}

// A long manifest gives the same result as a short one: every release section after the
// newest up to the installed one, each path once.
TEST(UpdateIni, LongManifest) {
  std::string text = "[conf]\r\ncurr_version=5000\r\n";
  for (int release = 5000; release >= 1; --release) {
    text += "[files_ver_" + std::to_string(release) + "]\r\nf1=common.dll\r\nf2=file" + std::to_string(release) +
            ".dat\r\n";
  }
  Manifest manifest(text);
  Texts files = manifest.FilesFor("1000");
  ASSERT_EQ(files.size(), 4001u);
  EXPECT_EQ(files[0], "common.dll");
  EXPECT_EQ(files[1], "file5000.dat");
  EXPECT_EQ(files.back(), "file1001.dat");
  EXPECT_EQ(manifest.Sections().size(), 5001u);
}

}  // namespace
