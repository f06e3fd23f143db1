// The profile functions against real files. On Windows these are the system's own
// functions, so the same expectations keep the POSIX reader and writer honest.

#include "ini/Profile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "ini/ProfileText.h"
#include "sys/CodePage.h"
#include "sys/Platform.h"
#include "sys/TextCase.h"
#include "tests/support/TestDir.h"

using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

using Names = std::vector<std::string>;

// text with its line ends and tabs spelled out, for failure messages.
std::string Escaped(const std::string &text) {
  std::string escaped;
  for (char c : text) {
    escaped += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
  }
  return escaped;
}

TEST(Profile, ValuesFollowTheWindowsRules) {
  TestDir dir;
  const std::string file = dir / "rules.ini";
  WriteWholeFile(file,
                 "top=before any section\r\n"
                 "[ First Section ] trailing text\r\n"
                 "  Spaced Key  =  spaced value  \r\n"
                 "\tTabbed\t=\tvalue\t\r\n"
                 "equation=a=b=c\r\n"
                 "=nameless\r\n"
                 "empty=\r\n"
                 "dq=\"double quoted\"\r\n"
                 "sq='single quoted'\r\n"
                 "mixed=\"mixed'\r\n"
                 "lone=\"\r\n"
                 "inner=\" keeps inner blanks \"\r\n"
                 "nested=\"a\"b\"\r\n"
                 "twoquotes=\"\"\r\n"
                 "no equals sign here\r\n"
                 "hidden\r\n"
                 "hidden=by the line above\r\n"
                 "; a comment\r\n"
                 ";commented=out\r\n"
                 "dup=first\r\n"
                 "DUP=second\r\n"
                 "[second]\n"
                 "lf=line feed\n"
                 "\x1A ctrlz\x1A=\x1A value\x1A\n"
                 "cr=carriage return\r"
                 "after=cr\r\n"
                 "[FIRST SECTION]\r\n"
                 "dup=third\r\n"
                 "only=in the repeated section\r\n"
                 "[a]b]\r\n"
                 "bracket=last ] closes\r\n");
  auto read = [&](const std::string &section, const std::string &key) {
    return ini::ReadProfileString(file, section, key, "<default>");
  };
  EXPECT_EQ(read("first section", "spaced key"), "spaced value");
  EXPECT_EQ(read("FIRST SECTION", "tabbed"), "value");
  EXPECT_EQ(read("First Section", "equation"), "a=b=c");
  EXPECT_EQ(read("First Section", "empty"), "");
  EXPECT_EQ(read("First Section", ""), "nameless");
  EXPECT_EQ(read("First Section", "dq"), "double quoted");
  EXPECT_EQ(read("First Section", "sq"), "single quoted");
  EXPECT_EQ(read("First Section", "mixed"), "\"mixed'");
  EXPECT_EQ(read("First Section", "lone"), "\"");
  EXPECT_EQ(read("First Section", "inner"), " keeps inner blanks ");
  EXPECT_EQ(read("First Section", "nested"), "a\"b");
  EXPECT_EQ(read("First Section", "twoquotes"), "");
  EXPECT_EQ(read("First Section", "no equals sign here"), "<default>");
  EXPECT_EQ(read("First Section", "hidden"), "<default>");
  EXPECT_EQ(read("First Section", "dup"), "first");
  EXPECT_EQ(read("First Section", "only"), "<default>");
  EXPECT_EQ(read("second", "lf"), "line feed");
  EXPECT_EQ(read("second", "ctrlz"), "value");  // Ctrl-Z is a blank
  EXPECT_EQ(read("second", "cr"), "carriage return");
  EXPECT_EQ(read("second", "after"), "cr");
  EXPECT_EQ(read("a]b", "bracket"), "last ] closes");
  EXPECT_EQ(read("", "top"), "before any section");
  EXPECT_EQ(read("missing", "key"), "<default>");
  // The default loses its trailing spaces, not its leading ones.
  EXPECT_EQ(ini::ReadProfileString(file, "missing", "key", "  padded  "), "  padded");

  EXPECT_EQ(ini::ReadProfileSectionNames(file), (Names{"First Section", "second", "FIRST SECTION", "a]b"}));
  EXPECT_EQ(ini::ReadProfileKeyNames(file, "first section"),
            (Names{"Spaced Key", "Tabbed", "equation", "empty", "dq", "sq", "mixed", "lone", "inner", "nested",
                   "twoquotes", "hidden", "dup", "DUP"}));
  EXPECT_EQ(ini::ReadProfileKeyNames(file, "missing"), Names{});

  // A whole section in one look-up reads exactly as key-by-key look-ups do: quotes
  // removed, comments and key-only lines left out, a repeated key with its first value.
  std::vector<std::pair<std::string, std::string>> oneByOne;
  for (const std::string &key : ini::ReadProfileKeyNames(file, "first section")) {
    oneByOne.emplace_back(key, ini::ReadProfileString(file, "first section", key, ""));
  }
  EXPECT_EQ(ini::ReadProfileSectionValues(file, "FIRST section"), oneByOne);
  EXPECT_EQ(oneByOne.back(), std::make_pair(std::string("DUP"), std::string("first")));
  EXPECT_TRUE(ini::ReadProfileSectionValues(file, "missing").empty());
}

TEST(Profile, MissingFileAndByteOrderMark) {
  TestDir dir;
  EXPECT_EQ(ini::ReadProfileString(dir / "none.ini", "s", "k", "d"), "d");
  EXPECT_EQ(ini::ReadProfileSectionNames(dir / "none.ini"), Names{});
  EXPECT_EQ(ini::ReadProfileKeyNames(dir / "none.ini", "s"), Names{});
  WriteWholeFile(dir / "bom.ini", "\xEF\xBB\xBF[conf]\r\ncurr_version=1.0\r\n");
  EXPECT_EQ(ini::ReadProfileString(dir / "bom.ini", "conf", "curr_version", ""), "1.0");
}

// Text as UTF-16 units, little- or big-endian, behind its byte-order mark.
std::string Utf16(const std::string &utf8, bool bigEndian) {
  std::string units;
  std::u16string wide;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
    char16_t unit = length == 1   ? c
                    : length == 2 ? char16_t((c & 0x1F) << 6 | (utf8[i + 1] & 0x3F))
                                  : char16_t((c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F));
    wide += unit;
    i += length;
  }
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : wide) {
    const char high = char(unit >> 8), low = char(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// Files saved as UTF-16 (Notepad's "Unicode") are read in the system code page and stay
// UTF-16 when written, as the Windows functions read and write them.
TEST(Profile, Utf16FilesAreReadAndWrittenAsWindowsDoes) {
  TestDir dir;
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    const std::string file = dir / (bigEndian ? "be.ini" : "le.ini");
    WriteWholeFile(file, Utf16("[conf]\r\ncurr_version=1.3.0.0\r\n[Langue]\r\nNom=Fran\xC3\xA7"
                               "ais\r\n",
                               bigEndian));
    EXPECT_EQ(ini::ReadProfileSectionNames(file), (Names{"conf", "Langue"}));
    EXPECT_EQ(ini::ReadProfileKeyNames(file, "langue"), Names{"Nom"});
    EXPECT_EQ(ini::ReadProfileString(file, "conf", "curr_version", ""), "1.3.0.0");
    EXPECT_EQ(ini::ReadProfileString(file, "Langue", "Nom", ""), Utf8ToSystemCodePage("Fran\xC3\xA7"
                                                                                      "ais"));

    ASSERT_TRUE(ini::WriteProfileString(file, "conf", "last_version", "1.1.0.0"));
    EXPECT_EQ(ini::ReadProfileString(file, "conf", "last_version", ""), "1.1.0.0");
    EXPECT_EQ(ini::ReadProfileString(file, "Langue", "Nom", ""), Utf8ToSystemCodePage("Fran\xC3\xA7"
                                                                                      "ais"));
    const std::string written = ReadWholeFile(file);
    EXPECT_EQ(written.substr(0, 2), bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    EXPECT_NE(written.find(Utf16("last_version=1.1.0.0", bigEndian).substr(2)), std::string::npos);
  }
}

TEST(Profile, LongValuesAreCutAt2047Characters) {
  TestDir dir;
  const std::string file = dir / "long.ini";
  WriteWholeFile(file, "[s]\r\nlong=" + std::string(3000, 'x') + "\r\nfits=" + std::string(2047, 'y') +
                           "\r\nquoted=\"" + std::string(2500, 'z') + "\"\r\n");
  EXPECT_EQ(ini::ReadProfileString(file, "s", "long", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini::ReadProfileString(file, "s", "fits", ""), std::string(2047, 'y'));
  EXPECT_EQ(ini::ReadProfileString(file, "s", "quoted", ""), std::string(2047, 'z'));
  EXPECT_EQ(ini::ReadProfileString(file, "s", "missing", std::string(3000, 'd')), std::string(2047, 'd'));
}

// The listing of names does not stop at the 16,384 bytes of the system's one-block read.
TEST(Profile, ListingsGiveEveryNameBeyondOneBlock) {
  TestDir dir;
  const std::string file = dir / "many.ini";
  Names sections, keys;
  std::string text = "[keys]\r\n";
  for (int i = 0; i < 3000; ++i) {
    keys.push_back("key_number_" + std::to_string(i));
    text += keys.back() + "=v\r\n";
  }
  for (int i = 0; i < 2000; ++i) {
    sections.push_back("files_ver_1.0.0." + std::to_string(i));
    text += "[" + sections.back() + "]\r\nf=file" + std::to_string(i) + "\r\n";
  }
  sections.insert(sections.begin(), "keys");
  WriteWholeFile(file, text);
  Names listed = ini::ReadProfileSectionNames(file);
  ASSERT_EQ(listed.size(), sections.size());
  EXPECT_EQ(listed, sections);
  EXPECT_EQ(ini::ReadProfileKeyNames(file, "KEYS"), keys);
  EXPECT_EQ(ini::ReadProfileString(file, "FILES_VER_1.0.0.1999", "F", ""), "file1999");
}

TEST(Profile, WritesCreateFileSectionAndKeyAndReadBack) {
  TestDir dir;
  const std::string file = dir / "written.ini";
  ASSERT_TRUE(ini::WriteProfileString(file, "conf", "last_version", "1.2.0.0"));
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "last_version", ""), "1.2.0.0");
  EXPECT_EQ(ReadWholeFile(file), "[conf]\r\nlast_version=1.2.0.0\r\n");

  ASSERT_TRUE(ini::WriteProfileString(file, "CONF", "curr_version", "1.3.0.0"));
  ASSERT_TRUE(ini::WriteProfileString(file, "other", "k", "v"));
  ASSERT_TRUE(ini::WriteProfileString(file, "conf", "LAST_VERSION", "1.2.5.0"));
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "last_version", ""), "1.2.5.0");
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "curr_version", ""), "1.3.0.0");
  EXPECT_EQ(ini::ReadProfileString(file, "other", "k", ""), "v");
  EXPECT_EQ(ini::ReadProfileSectionNames(file), (Names{"conf", "other"}));
  EXPECT_EQ(ini::ReadProfileKeyNames(file, "conf"), (Names{"last_version", "curr_version"}));
}

TEST(Profile, WriteKeepsTheRestOfTheFile) {
  TestDir dir;
  const std::string file = dir / "kept.ini";
  WriteWholeFile(file,
                 "; producer's note\r\n[conf]\r\ncurr_version = 1.3.0.0\r\nlast_version = old \r\n\r\n"
                 "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\n");
  ASSERT_TRUE(ini::WriteProfileString(file, "conf", "last_version", "1.1.0.0"));
  ASSERT_TRUE(ini::WriteProfileString(file, "conf", "host", "example"));
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "last_version", ""), "1.1.0.0");
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "host", ""), "example");
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "curr_version", ""), "1.3.0.0");
  EXPECT_EQ(ini::ReadProfileString(file, "files_ver_1.3.0.0", "f1", ""), "Quillet.exe");
  if (!sys::kIsWindows) {
    // Wine rewrites the whole file in its own layout; ours changes only what it must.
    EXPECT_EQ(ReadWholeFile(file),
              "; producer's note\r\n[conf]\r\ncurr_version = 1.3.0.0\r\nlast_version = 1.1.0.0 \r\n"
              "host=example\r\n\r\n[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\n");
  }
}

TEST(Profile, WriteIntoAMissingDirectoryFails) {
  TestDir dir;
  const std::string file = dir / "no/such/dir/update.ini";
  EXPECT_FALSE(ini::WriteProfileString(file, "conf", "k", "v"));
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "k", "none"), "none");
}

TEST(Profile, ReadOnlyFileRefusesTheWrite) {
  TestDir dir;
  const std::string file = dir / "readonly.ini";
  WriteWholeFile(file, "[conf]\r\nlast_version=1.0\r\n");
  namespace fs = std::filesystem;
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  if (std::ofstream(file, std::ios::app).good()) GTEST_SKIP() << "this process may write read-only files (root)";
  EXPECT_FALSE(ini::WriteProfileString(file, "conf", "last_version", "2.0"));
  EXPECT_EQ(ini::ReadProfileString(file, "conf", "last_version", ""), "1.0");
}

TEST(Profile, ReadsSeeEveryChangeOfTheFile) {
  TestDir dir;
  const std::string file = dir / "changing.ini";
  WriteWholeFile(file, "[s]\r\nk=one\r\n");
  // A time stamp ahead of the clock stays "just written" however slowly this test runs.
  const auto stamp = std::filesystem::last_write_time(file) + std::chrono::seconds(30);
  std::filesystem::last_write_time(file, stamp);
  EXPECT_EQ(ini::ReadProfileString(file, "s", "k", ""), "one");
  if (!sys::kIsWindows) {
    // A change within one tick of the file clock: same size, same inode, same time stamp;
    // only the bytes tell. (Wine's profile cache goes by time stamp and size alone.)
    WriteWholeFile(file, "[s]\r\nk=two\r\n");
    std::filesystem::last_write_time(file, stamp);
    EXPECT_EQ(ini::ReadProfileString(file, "s", "k", ""), "two");
  }
  ASSERT_TRUE(ini::WriteProfileString(file, "s", "k", "three"));
  EXPECT_EQ(ini::ReadProfileString(file, "s", "k", ""), "three");
  WriteWholeFile(dir / "replacement.ini", "[s]\r\nk=replaced, longer\r\n");
  std::filesystem::rename(dir / "replacement.ini", file);
  EXPECT_EQ(ini::ReadProfileString(file, "s", "k", ""), "replaced, longer");
  std::filesystem::remove(file);
  EXPECT_EQ(ini::ReadProfileString(file, "s", "k", "gone"), "gone");
  EXPECT_EQ(ini::ReadProfileSectionNames(file), Names{});
}

TEST(Profile, ConcurrentReadersSeeWholeWrites) {
  TestDir dir;
  const std::string file = dir / "shared.ini";
  ASSERT_TRUE(ini::WriteProfileString(file, "s", "counter", "0"));
  std::atomic<bool> writing{true};
  std::atomic<int> badReads{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      while (writing) {
        std::string value = ini::ReadProfileString(file, "s", "counter", "");
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) ++badReads;
      }
    });
  }
  for (int i = 1; i <= 200; ++i) {
    ASSERT_TRUE(ini::WriteProfileString(file, "s", "counter", std::to_string(i)));
    ASSERT_TRUE(ini::WriteProfileString(file, "s", "k" + std::to_string(i % 7), std::to_string(i)));
  }
  writing = false;
  for (auto &reader : readers) reader.join();
  EXPECT_EQ(badReads, 0);
  EXPECT_EQ(ini::ReadProfileString(file, "s", "counter", ""), "200");
  EXPECT_EQ(ini::ReadProfileKeyNames(file, "s"), (Names{"counter", "k1", "k2", "k3", "k4", "k5", "k6", "k0"}));
}

// Random INI texts read through the profile functions and through ProfileText directly.
// Under Wine this compares our parser with the Windows rules; natively it checks that the
// kept copies answer as a fresh parse does.
TEST(Profile, PortableParserAgreesWithTheProfileFunctions) {
  TestDir dir;
  std::mt19937 random(20240611);
  const char *pieces[] = {"[",     "]",    "=",  ";",    " ",  "\t", "\"",  "'",  "a",  "B",    "k",  "=v",  "[a]",
                          "[ B ]", "\r\n", "\n", "\r\n", "\r", "[]", "[ ]", "\v", "=;", "\"\"", "x]", "\x1A"};
  for (int round = 0; round < 150; ++round) {
    std::string text;
    int count = 5 + int(random() % 60);
    for (int i = 0; i < count; ++i) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
    // Each round has a file of its own: Wine keeps parsed files by name and time stamp.
    const std::string file = dir / ("random" + std::to_string(round) + ".ini");
    WriteWholeFile(file, text);
    ini::ProfileText parsed(text);
    SCOPED_TRACE(Escaped(text));
    Names sections = parsed.SectionNames();
    ASSERT_EQ(ini::ReadProfileSectionNames(file), sections);
    sections.push_back("");
    sections.push_back("a");
    for (const std::string &section : sections) {
      Names keys = parsed.KeyNames(section);
      // Wine answers a listing whose first key name is empty as if the section had no
      // keys at all.
      if (!sys::kIsWindows || parsed.ReadValue(section, "", "\x01") == "\x01") {
        ASSERT_EQ(ini::ReadProfileKeyNames(file, section), keys) << "section " << section;
      }
      keys.push_back("k");
      keys.push_back("B");
      for (const std::string &key : keys) {
        ASSERT_EQ(ini::ReadProfileString(file, section, key, "-"), parsed.ReadValue(section, key, "-"))
            << "section " << section << " key " << key;
      }
    }
  }
}

}  // namespace
