#include "ini/ProfileText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sys/TextCase.h"

namespace {

using ini::ProfileText;
using Names = std::vector<std::string>;

Names Without(Names names, const std::string &name) {
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&](const std::string &n) { return sys::SameTextIgnoringCase(n, name); }),
              names.end());
  return names;
}

bool Contains(const Names &names, const std::string &name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string &n) { return sys::SameTextIgnoringCase(n, name); });
}

TEST(ProfileText, WriteChangesOnlyWhatItMust) {
  const std::string manifest =
      "; made by the release script\r\n"
      "[conf]\r\n"
      "  curr_version = 1.3.0.0  \r\n"
      "; end of conf\r\n"
      "\r\n"
      "[files_ver_1.3.0.0]\r\n"
      "f1=Quillet.exe";
  EXPECT_EQ(ProfileText::WithValue(manifest, "CONF", "Curr_Version", "1.4.0.0"),
            "; made by the release script\r\n[conf]\r\n  curr_version = 1.4.0.0  \r\n; end of conf\r\n\r\n"
            "[files_ver_1.3.0.0]\r\nf1=Quillet.exe");
  // A new key follows the section's last entry, ahead of the comment and blank line.
  EXPECT_EQ(ProfileText::WithValue(manifest, "conf", "last_version", "1.1.0.0"),
            "; made by the release script\r\n[conf]\r\n  curr_version = 1.3.0.0  \r\nlast_version=1.1.0.0\r\n"
            "; end of conf\r\n\r\n[files_ver_1.3.0.0]\r\nf1=Quillet.exe");
  // The last line has no line end: the new key gets one before it.
  EXPECT_EQ(ProfileText::WithValue(manifest, "files_ver_1.3.0.0", "f2", "a.dll"),
            "; made by the release script\r\n[conf]\r\n  curr_version = 1.3.0.0  \r\n; end of conf\r\n\r\n"
            "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\nf2=a.dll\r\n");
  EXPECT_EQ(ProfileText::WithValue(manifest, "new", "k", "v"), manifest + "\r\n[new]\r\nk=v\r\n");
}

TEST(ProfileText, NewLinesEndLikeTheTextsLines) {
  EXPECT_EQ(ProfileText::WithValue("[a]\nx=1\n", "a", "y", "2"), "[a]\nx=1\ny=2\n");
  EXPECT_EQ(ProfileText::WithValue("[a]\rx=1\r", "b", "y", "2"), "[a]\rx=1\r[b]\ry=2\r");
  EXPECT_EQ(ProfileText::WithValue("", "conf", "k", "v"), "[conf]\r\nk=v\r\n");
  EXPECT_EQ(ProfileText::WithValue("[a]\n", "a", "k", ""), "[a]\nk=\n");
  // A key line without "=" hides later entries of its key, so it is the one written.
  EXPECT_EQ(ProfileText::WithValue("[a]\n bare \nbare=x\n", "a", "BARE", "1"), "[a]\n bare=1 \nbare=x\n");
  // Only the value itself is replaced: blanks around it stay.
  EXPECT_EQ(ProfileText::WithValue("[a]\nk=   \nz=1\n", "a", "k", "v"), "[a]\nk=v   \nz=1\n");
  // Entries ahead of any header belong to the nameless section, after the byte-order mark.
  EXPECT_EQ(ProfileText::WithValue("\xEF\xBB\xBF[a]\nk=1\n", "", "top", "1"), "\xEF\xBB\xBFtop=1\n[a]\nk=1\n");
}

// Random texts and random writes: a write sets exactly its key, every other answer stays
// as it was, and the listings grow only by the new names at their ends.
TEST(ProfileText, RandomWritesSetOneKeyAndKeepEverythingElse) {
  std::mt19937 random(7);
  const char *pieces[] = {"[", "]", "=", ";", " ", "\t", "\"", "a", "B", "k", "=v", "[a]", "[b]", "\r\n", "\n", "\r"};
  const Names names = {"", "a", "A", "b", "k", "B"};
  for (int round = 0; round < 400; ++round) {
    std::string original;
    int count = int(random() % 50);
    for (int i = 0; i < count; ++i) original += pieces[random() % (sizeof pieces / sizeof *pieces)];
    ProfileText before(original);
    const std::string section = names[random() % names.size()];
    const std::string key = names[1 + random() % (names.size() - 1)];
    const std::string value = "value" + std::to_string(round);
    ProfileText after(ProfileText::WithValue(before.Text(), section, key, value));
    SCOPED_TRACE("text <" + original + "> set " + section + "/" + key);

    ASSERT_EQ(after.ReadValue(section, key, "-"), value);
    for (const std::string &s : names) {
      for (const std::string &k : names) {
        bool written = sys::SameTextIgnoringCase(s, section) && sys::SameTextIgnoringCase(k, key);
        if (!written) {
          ASSERT_EQ(after.ReadValue(s, k, "-"), before.ReadValue(s, k, "-")) << s << "/" << k;
        }
      }
    }
    // Entries ahead of the first header form a section without a name, which always exists.
    Names sections = before.SectionNames();
    if (!section.empty() && !Contains(sections, section)) sections.push_back(section);
    ASSERT_EQ(after.SectionNames(), sections);
    // The other keys keep their order; the written one is listed (where a line without
    // "=" held the key, at that line's place, else at the end).
    ASSERT_TRUE(Contains(after.KeyNames(section), key));
    ASSERT_EQ(Without(after.KeyNames(section), key), Without(before.KeyNames(section), key));
  }
}

}  // namespace
