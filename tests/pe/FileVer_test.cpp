#include "pe/FileVer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "pe/PeResource.h"
#include "sys/Platform.h"
#include "tests/support/TestDir.h"
#include "tests/pe/PeFixtures.h"

using testing_support::PeFixture;
using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

// "中文" in the narrow code page the tests run with (see tests/pe/CMakeLists.txt): GBK
// under Wine, UTF-8 natively.
const std::string kChinese = sys::kIsWindows ? "\xD6\xD0\xCE\xC4" : "\xE4\xB8\xAD\xE6\x96\x87";

void ExpectNoValues(const TFileVer &ver) {
  for (const std::string *text :
       {&ver.FFileDescription, &ver.FCompanyName, &ver.FInternalName, &ver.FOriginalFileName, &ver.FComments,
        &ver.FLegalCopyright, &ver.FProductVersion, &ver.FFileVersion, &ver.FLegalTrademarks, &ver.FProductName}) {
    EXPECT_EQ(*text, "");
  }
  const TFixedFileInfo zero{};
  EXPECT_EQ(std::memcmp(&ver.FFixedInfo, &zero, sizeof zero), 0);
}

TEST(FileVer, ReadsTheTenTextsAndTheFixedRecord) {
  TFileVer ver;
  ver.LoadFromFile(PeFixture("versioned.exe"));
  EXPECT_EQ(ver.FFileName, PeFixture("versioned.exe"));
  EXPECT_EQ(ver.FCompanyName, "Vantoro Software");
  EXPECT_EQ(ver.FFileDescription, "Quillet test program");
  EXPECT_EQ(ver.FFileVersion, "1.3.0.0");
  EXPECT_EQ(ver.FInternalName, "Quillet");
  EXPECT_EQ(ver.FLegalCopyright, "Copyright (C) Vantoro");
  EXPECT_EQ(ver.FLegalTrademarks, "Quillet(TM)");
  EXPECT_EQ(ver.FOriginalFileName, "Quillet.exe");
  EXPECT_EQ(ver.FProductName, "Vantoro Quillet");
  EXPECT_EQ(ver.FProductVersion, "1.3 build 7");
  EXPECT_EQ(ver.FComments, "");

  const TFixedFileInfo &fixed = ver.FFixedInfo;
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010003u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00000000u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00010003u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x00000007u);
  EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed.dwFileOS, 0x40004u);
  EXPECT_EQ(fixed.dwFileType, 1u);
}

TEST(FileVer, TakesTheFirstTranslationAndConvertsToTheNarrowCodePage) {
  TFileVer ver;
  ver.LoadFromFile(PeFixture("multilang.exe"));
  EXPECT_EQ(ver.FFileVersion, "2.0.0.1");
  EXPECT_EQ(ver.FFileDescription, kChinese);
  EXPECT_EQ(ver.FProductName, "Quillet " + kChinese);
  EXPECT_EQ(ver.FCompanyName, "");
  EXPECT_EQ(ver.FFixedInfo.dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(ver.FFixedInfo.dwFileVersionLS, 0x00000001u);
}

// A version resource stored under several resource languages: the one the system's loader
// picks, the same in both builds for a user language that is none of these (English here,
// Chinese under Wine): neutral first, then US English, then the lowest language id.
TEST(FileVer, OfSeveralResourceLanguagesTheLoadersChoiceIsRead) {
  struct Case {
    const char *fixture, *version;
  };
  for (const Case &c : {Case{"languages_neutral.exe", "neutral"}, Case{"languages_de_en.exe", "en-US"},
                        Case{"languages_de_fr.exe", "de-DE"}}) {
    TFileVer ver;
    ver.LoadFromFile(PeFixture(c.fixture));
    EXPECT_EQ(ver.FFileVersion, c.version) << c.fixture;
  }
}

TEST(FileVer, MissingNameLeavesOnlyItsFieldEmptyInA32BitProgram) {
  TFileVer ver;
  ver.LoadFromFile(PeFixture("pe32.exe"));
  EXPECT_EQ(ver.FLegalTrademarks, "");
  EXPECT_EQ(ver.FOriginalFileName, "pe32.exe");
  EXPECT_EQ(ver.FProductName, "Vantoro Quillet");
  EXPECT_EQ(ver.FCompanyName, "Vantoro Software");
  EXPECT_EQ(ver.FFileVersion, "1.1.0.0");
  EXPECT_EQ(ver.FFixedInfo.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(ver.FFixedInfo.dwFileVersionMS, 0x00010001u);
}

TEST(FileVer, WithoutTranslationTableTextsAreEmptyButTheFixedRecordIsRead) {
  TFileVer ver;
  ver.LoadFromFile(PeFixture("no_translation.exe"));
  EXPECT_EQ(ver.FFileVersion, "");
  EXPECT_EQ(ver.FFixedInfo.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(ver.FFixedInfo.dwFileVersionMS, 0x00040005u);
  EXPECT_EQ(ver.FFixedInfo.dwFileVersionLS, 0x00060007u);
}

// Only the resource named VS_VERSION_INFO counts, as for the system's functions.
TEST(FileVer, AVersionResourceUnderAnotherNameIsNotRead) {
  TFileVer ver;
  ver.LoadFromFile(PeFixture("version_id2.exe"));
  ExpectNoValues(ver);
}

TEST(FileVer, EachLoadDescribesOnlyTheFileItNames) {
  TFileVer ver;
  ExpectNoValues(ver);
  for (const char *name : {"no_version.exe", "no_resources.exe", "missing.exe"}) {
    SCOPED_TRACE(name);
    ver.LoadFromFile(PeFixture("versioned.exe"));
    ASSERT_EQ(ver.FFileVersion, "1.3.0.0");
    ver.LoadFromFile(PeFixture(name));
    EXPECT_EQ(ver.FFileName, PeFixture(name));
    ExpectNoValues(ver);
  }
  ver.LoadFromFile(PeFixture("versioned.exe"));
  ver.Clear();
  ExpectNoValues(ver);
  EXPECT_EQ(ver.FFileName, PeFixture("versioned.exe"));
}

TEST(FileVer, DirectoriesAndCutShortFilesHaveNoValues) {
  TestDir dir;
  TFileVer ver;
  ver.LoadFromFile(dir.path());
  ExpectNoValues(ver);
  // Cut inside the headers, where no reader can reach the resources.
  const std::string image = ReadWholeFile(PeFixture("versioned.exe"));
  ASSERT_GT(image.size(), 1024u);
  for (std::size_t length : {0, 1, 2, 63, 64, 200, 400}) {
    SCOPED_TRACE(length);
    WriteWholeFile(dir / "short.exe", image.substr(0, length));
    ver.LoadFromFile(dir / "short.exe");
    ExpectNoValues(ver);
  }
}

void PatchByte(const std::string &path, std::size_t at, char value) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(at));
  file.put(value);
  ASSERT_TRUE(file.good());
}

// Every byte of the version resource inverted in turn: the reader takes what the damaged
// block still yields, and reads nothing outside it.
TEST(FileVer, CorruptedResourcesAreReadSafely) {
  TestDir dir;
  const std::string image = ReadWholeFile(PeFixture("versioned.exe"));
  pe::ByteRange resource;
  ASSERT_TRUE(
      pe::FindPeVersionResource(reinterpret_cast<const unsigned char *>(image.data()), image.size(), {}, resource));
  const std::string path = dir / "corrupt.exe";
  WriteWholeFile(path, image);
  std::size_t intact = 0, fixedIntact = 0;
  TFileVer ver;
  for (std::size_t at = resource.offset; at < resource.offset + resource.length; ++at) {
    PatchByte(path, at, static_cast<char>(image[at] ^ 0xFF));
    ver.LoadFromFile(path);
    intact += ver.FFileVersion == "1.3.0.0";
    fixedIntact += ver.FFixedInfo.dwFileVersionMS == 0x00010003u;
    PatchByte(path, at, image[at]);
  }
  // Damage to the texts or the fixed record leaves the version text, damage to the
  // structure loses it.
  EXPECT_GT(intact, resource.length / 2);
  EXPECT_LT(intact, resource.length);
  EXPECT_GT(fixedIntact, resource.length / 2);
  EXPECT_LT(fixedIntact, resource.length);
}

}  // namespace
