#include "tools/ManifestText.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kNames{"Quillet.exe", "Language/chs.ini"};

TEST(ManifestText, AFirstReleaseMakesTheWholeManifest) {
  EXPECT_EQ(ManifestText("").WithNewRelease("1.1.0.0", kNames),
            "[conf]\r\ncurr_version=1.1.0.0\r\n\r\n"
            "[files_ver_1.1.0.0]\r\nf1=Quillet.exe\r\nf2=Language/chs.ini\r\n");
}

TEST(ManifestText, ANewReleaseGoesFirstAndTheRestStaysAsWritten) {
  // Line feeds only, a comment, blanks around names and a key of another case: all kept,
  // only the old version's bytes are replaced.
  const std::string text =
      "; published by hand\n[ Conf ]\nhost=example\n Curr_Version = 1.1 \n\n"
      "[files_ver_1.1]\nf1 = Quillet.exe\n\n[files_ver_1.0]\nf1=readme.txt\n";
  const ManifestText manifest(text);
  EXPECT_EQ(manifest.CurrVersion(), "1.1");
  EXPECT_TRUE(manifest.HasSection("FILES_VER_1.0"));
  EXPECT_FALSE(manifest.HasSection("files_ver_1.2"));
  EXPECT_EQ(manifest.WithNewRelease("1.2", {"a.txt"}),
            "; published by hand\n[ Conf ]\nhost=example\n Curr_Version = 1.2 \n\n"
            "[files_ver_1.2]\nf1=a.txt\n\n"
            "[files_ver_1.1]\nf1 = Quillet.exe\n\n[files_ver_1.0]\nf1=readme.txt\n");
}

TEST(ManifestText, MissingPartsAreAddedWhereTheUpdaterLooks) {
  // "conf" without "curr_version", followed at once by a release section.
  EXPECT_EQ(ManifestText("[conf]\r\nhost=h\r\n[files_ver_1]\r\nf1=x\r\n").WithNewRelease("2", {"y"}),
            "[conf]\r\nhost=h\r\ncurr_version=2\r\n[files_ver_2]\r\nf1=y\r\n\r\n[files_ver_1]\r\nf1=x\r\n");
  // "conf" after the releases (the reader allows it), and no line ending at the end.
  EXPECT_EQ(ManifestText("[files_ver_1]\nf1=x\n\n[conf]\ncurr_version=1").WithNewRelease("2", {"y"}),
            "[files_ver_2]\nf1=y\n\n[files_ver_1]\nf1=x\n\n[conf]\ncurr_version=2");
  // No "conf" at all; no release section yet.
  EXPECT_EQ(ManifestText("[files_ver_1]\nf1=x\n").WithNewRelease("2", {"y"}),
            "[conf]\ncurr_version=2\n\n[files_ver_2]\nf1=y\n\n[files_ver_1]\nf1=x\n");
  EXPECT_EQ(ManifestText("[conf]\ncurr_version=\n").WithNewRelease("1", {"y"}),
            "[conf]\ncurr_version=1\n\n[files_ver_1]\nf1=y\n");
  EXPECT_EQ(ManifestText("[conf]\nhost=h").WithNewRelease("1", {"y"}),
            "[conf]\nhost=h\ncurr_version=1\n\n[files_ver_1]\nf1=y\n");
}

TEST(ManifestText, SectionsAreFoundAsTheIniReaderFindsThem) {
  // A byte-order mark, lone CR line ends, a "[" line without "]" (an entry, not a section)
  // and a name up to the last "]".
  EXPECT_EQ(ManifestText("\xEF\xBB\xBF[files_ver_1]\rf1=x\r[files_ver_0\rf2=y\r").WithNewRelease("2", {"z"}),
            "\xEF\xBB\xBF[conf]\rcurr_version=2\r\r[files_ver_2]\rf1=z\r\r[files_ver_1]\rf1=x\r[files_ver_0\rf2=y\r");
  EXPECT_TRUE(ManifestText("[files_ver_1]x]\n").HasSection("FILES_VER_1]X"));
  EXPECT_FALSE(ManifestText("[files_ver_1\n").HasSection("files_ver_1"));
}

TEST(ManifestText, ValuesReadAsTheIniReaderGivesThem) {
  EXPECT_EQ(ManifestText("[conf]\ncurr_version=\"1.3\"\n").CurrVersion(), "1.3");
  EXPECT_EQ(ManifestText("[other]\ncurr_version=9\n[conf]\nx=1\n").CurrVersion(), "");
  EXPECT_EQ(ManifestText("[conf]\ncurr_version=1\n[conf]\ncurr_version=2\n").CurrVersion(), "1");
}

TEST(ManifestText, ConfBetweenReleasesIsSeen) {
  EXPECT_TRUE(ManifestText("[files_ver_2]\n[conf]\n[files_ver_1]\n").ConfBetweenReleases());
  EXPECT_FALSE(ManifestText("[conf]\n[files_ver_2]\n[files_ver_1]\n").ConfBetweenReleases());
  EXPECT_FALSE(ManifestText("[files_ver_2]\n[files_ver_1]\n[CONF]\n").ConfBetweenReleases());
}

TEST(ManifestText, VersionsMustReadBackExactly) {
  for (const char *version : {"1.3.0.0", "2024-R2", "1.0 beta", "a=b"}) EXPECT_EQ(VersionTextProblem(version), "");
  for (const char *version : {"", " 1.0", "1.0 ", "1]0", "1\n0", "'1.0'", "\"1.0\""}) {
    EXPECT_NE(VersionTextProblem(version), "") << version;
  }
}

}  // namespace
