// The decision reads the staged manifest once, parsed by our own reader. Here that reading
// is held against the profile functions themselves, asked once per question as the
// decision used to ask them, over the fuzz corpora and over manifests in the system code
// page that the test run sets (QUILLET_CODE_PAGE): both must give the same section
// listings, the same entries and the same decision.

#include <gtest/gtest.h>
#include <windows.h>

// windows.h maps this name to the system's WriteProfileStringA (win.ini access).
#undef WriteProfileString

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/ManifestVocabulary.h"
#include "engine/UpdateIni.h"
#include "ini/Profile.h"
#include "ini/ProfileText.h"
#include "sys/FileSystem.h"
#include "tests/support/NginxFixture.h"
#include "tests/support/TestDir.h"

namespace {

using testing_support::TestDir;
using Entries = std::vector<std::pair<std::string, std::string>>;

struct Reading {
  std::string newest, installed;
  std::vector<std::string> sections;
  std::vector<Entries> entries;  // of each section in turn
  std::vector<std::string> files;
};

std::vector<std::string> Listed(const TStringList &list) { return std::vector<std::string>(list.begin(), list.end()); }

Reading ThroughProfileFunctions(const std::string &file) {
  Reading reading;
  reading.newest = ini::ReadProfileString(file, vocabulary::kConfSection, vocabulary::kCurrVersionKey, "");
  reading.installed = ini::ReadProfileString(file, vocabulary::kConfSection, vocabulary::kLastVersionKey, "");
  reading.sections = ini::ReadProfileSectionNames(file);
  for (const std::string &section : reading.sections) {
    reading.entries.push_back(ini::ReadProfileSectionValues(file, section));
  }
  TStringList sections, files;
  ListChangedFiles(
      reading.newest, reading.installed, reading.sections,
      [&file](const std::string &section) { return ini::ReadProfileSectionValues(file, section); }, sections, files);
  reading.files = Listed(files);
  return reading;
}

Reading ThroughOneParse(const std::string &file) {
  Reading reading;
  TUpdateIni manifest(file);
  reading.newest = manifest.ReadStr(ukCurrVersion);
  reading.installed = manifest.ReadStr(ukLastVersion);
  const auto text = ini::ReadProfileFile(file);
  reading.sections = text->SectionNames();
  for (const std::string &section : reading.sections) reading.entries.push_back(text->KeyValues(section));
  TStringList files;
  manifest.GetUpdateFiles(files);
  reading.files = Listed(files);
  return reading;
}

void ExpectSameReading(const std::string &file, const std::string &what) {
  const Reading expected = ThroughProfileFunctions(file);
  const Reading actual = ThroughOneParse(file);
  EXPECT_EQ(actual.newest, expected.newest) << what;
  EXPECT_EQ(actual.installed, expected.installed) << what;
  EXPECT_EQ(actual.sections, expected.sections) << what;
  EXPECT_EQ(actual.entries, expected.entries) << what;
  EXPECT_EQ(actual.files, expected.files) << what;
}

std::string Environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

// The installed version follows the manifest after a zero byte in the manifest target's
// inputs; the updater writes it before deciding, as here.
void CompareCorpusInput(const TestDir &dir, const std::string &input, const std::string &what) {
  const std::size_t zero = input.find('\0');
  const std::string file = dir / "update.ini";
  testing_support::WriteWholeFile(file, input.substr(0, zero));
  if (zero != std::string::npos) {
    const std::string installed = input.substr(zero + 1);
    if (installed.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
      ini::WriteProfileString(file, vocabulary::kConfSection, vocabulary::kLastVersionKey, installed);
    }
  }
  ExpectSameReading(file, what);
}

TEST(ManifestReading, OneParseReadsTheCorporaAsTheProfileFunctions) {
  const std::string corpora = Environment("QUILLET_MANIFEST_CORPORA");
  ASSERT_FALSE(corpora.empty()) << "QUILLET_MANIFEST_CORPORA names the corpus folders, split by |";
  TestDir dir;
  int compared = 0;
  std::size_t begin = 0;
  while (begin <= corpora.size()) {
    std::size_t end = corpora.find('|', begin);
    if (end == std::string::npos) end = corpora.size();
    const std::string folder =
        sys::WithTrailingSeparator(testing_support::HostPathToLocal(corpora.substr(begin, end - begin)));
    begin = end + 1;
    std::vector<sys::DirectoryEntry> entries;
    ASSERT_TRUE(sys::ListDirectory(folder, entries)) << folder;
    for (const sys::DirectoryEntry &entry : entries) {
      if (entry.Type != sys::DirectoryEntry::Kind::File) continue;
      CompareCorpusInput(dir, testing_support::ReadWholeFile(folder + entry.Name), entry.Name);
      ++compared;
    }
  }
  EXPECT_GT(compared, 10);
}

// Manifests written in the code page that the run sets, with the bytes where a reading by
// bytes and a reading by characters part: the second byte of a character that is "]",
// a first byte with no second, bytes the code page leaves undefined, Ctrl-Z, and the
// same names stored as UTF-8 with its mark and as UTF-16.
struct CodePageCase {
  UINT codePage;
  std::vector<std::string> names;  // in that code page
};

const CodePageCase kCases[] = {
    {1252,
     {"Donn\xE9"
      "es/R\xE9sum\xE9.txt",
      "\xC4\xD6\xDC.dll",
      "lang/fran\xE7"
      "ais.lng",
      "odd\x81\x8D\x8F\x90\x9D.bin"}},
    {936, {"\xB2\xE5\xBC\xFE/\xD6\xD0\xCE\xC4.dll", "[\x81\x5D.dat", "tail\x81", "\xB0\xA1]x.txt"}},
    {950, {"\xA4\xA4\xA4\xE5/\xC0\xC9\xAE\xD7.dll", "[\xA5\x5D.dat", "tail\xA4", "\xA5\x5C\xA5\x5D.txt"}},
};

std::string ManifestNaming(const std::vector<std::string> &names) {
  std::string text = "[conf]\r\ncurr_version=1.3.0.0\r\n\x1A\r\n[files_ver_1.3.0.0]\r\n";
  int key = 0;
  for (const std::string &name : names) text += std::to_string(++key) + "=" + name + "\r\n";
  // Lines that start with "[" and hold a "]" only as a byte of a character.
  for (const std::string &name : names) text += name + "=" + name + "\r\n";
  text += "[" + names[0] + "]\r\nx=\x1A" + names[1] + "\x1A\r\n";
  text += "[files_ver_1.2.0.0]\r\n1=old.dll\r\n[files_ver_1.1.0.0]\r\n1=Quillet.exe\r\n";
  return text;
}

std::wstring Wide(const std::string &text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(
      std::size_t(MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
  return wide;
}

std::string Utf8(const std::wstring &wide) {
  std::string text(wide.size() * 4 + 1, '\0');
  text.resize(std::size_t(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), int(text.size()), nullptr, nullptr)));
  return text;
}

std::string Utf16LittleEndian(const std::wstring &wide) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t unit : wide) {
    bytes += char(unit & 0xFF);
    bytes += char(unit >> 8);
  }
  return bytes;
}

TEST(ManifestReading, OneParseReadsManifestsOfTheCodePageAsTheProfileFunctions) {
  const std::string codePage = Environment("QUILLET_CODE_PAGE");
  ASSERT_FALSE(codePage.empty()) << "QUILLET_CODE_PAGE names the code page the run sets";
  ASSERT_EQ(std::to_string(GetACP()), codePage) << "the run did not set the system code page";
  const CodePageCase *chosen = nullptr;
  for (const CodePageCase &candidate : kCases) {
    if (candidate.codePage == GetACP()) chosen = &candidate;
  }
  ASSERT_NE(chosen, nullptr) << "no manifests for code page " << codePage;

  const std::string narrow = ManifestNaming(chosen->names);
  const std::wstring wide = Wide(narrow, chosen->codePage);
  const std::pair<const char *, std::string> stored[] = {
      {"narrow", narrow},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + Utf8(wide)},
      {"UTF-16", Utf16LittleEndian(wide)},
  };
  TestDir dir;
  for (const auto &[what, bytes] : stored) {
    for (const char *installed : {"", "1.1.0.0", "1.2.0.0"}) {
      const std::string file = dir / "update.ini";
      testing_support::WriteWholeFile(file, bytes);
      if (*installed) ini::WriteProfileString(file, vocabulary::kConfSection, vocabulary::kLastVersionKey, installed);
      ExpectSameReading(file, std::string(what) + ", installed " + installed);
      EXPECT_FALSE(ThroughOneParse(file).files.empty()) << what;
    }
  }
}

}  // namespace
