#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pe/PeResource.h"
#include "pe/VersionTree.h"
#include "tests/support/TestDir.h"
#include "tests/pe/PeFixtures.h"

using testing_support::PeFixture;
using testing_support::ReadWholeFile;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Fixture(const std::string &name) {
  const std::string content = ReadWholeFile(PeFixture(name));
  return Bytes(content.begin(), content.end());
}

// The queries the file version reader makes, plus a few it does not.
const char *const kPaths[] = {"\\",
                              "\\VarFileInfo\\Translation",
                              "\\StringFileInfo\\040904E4\\FileVersion",
                              "\\StringFileInfo\\040904E4\\Comments",
                              "\\StringFileInfo\\080403A8\\FileDescription",
                              "\\StringFileInfo",
                              "\\StringFileInfo\\040904E4\\Missing"};

// The text of a value as UTF-16 units (ASCII test texts only), or "<missing>".
std::string Text(const Bytes &block, const std::string &path) {
  pe::VersionValue value;
  if (!pe::FindVersionValue(block.data(), block.size(), path, value)) return "<missing>";
  std::string text;
  for (std::size_t at = value.offset; at + 2 <= value.nodeEnd && (block[at] | block[at + 1]); at += 2) {
    text += static_cast<char>(block[at]);
  }
  return text;
}

// Runs every query on block (sized exactly, so that AddressSanitizer sees any read past
// it) and checks that what is found lies inside.
void QueryEverything(const Bytes &block) {
  for (const char *path : kPaths) {
    pe::VersionValue value;
    if (pe::FindVersionValue(block.data(), block.size(), path, value)) {
      EXPECT_LE(value.offset + value.length, value.nodeEnd) << path;
      EXPECT_LE(value.nodeEnd, block.size()) << path;
    }
  }
}

// Locates the resource in image and, when found, queries it; returns whether found.
bool LocateAndQuery(const Bytes &image, pe::ByteRange &range) {
  if (!pe::FindPeVersionResource(image.data(), image.size(), {}, range)) return false;
  EXPECT_LE(range.offset + range.length, image.size());
  QueryEverything(Bytes(image.begin() + range.offset, image.begin() + range.offset + range.length));
  return true;
}

Bytes ResourceOf(const Bytes &image) {
  pe::ByteRange range;
  EXPECT_TRUE(pe::FindPeVersionResource(image.data(), image.size(), {}, range));
  return Bytes(image.begin() + range.offset, image.begin() + range.offset + range.length);
}

TEST(PeVersionResource, FoundInPe32AndPe32PlusPrograms) {
  const Bytes block64 = ResourceOf(Fixture("versioned.exe"));
  EXPECT_EQ(Text(block64, "\\StringFileInfo\\040904E4\\FileVersion"), "1.3.0.0");
  EXPECT_EQ(Text(block64, "\\\\stringfileinfo\\\\040904e4\\fileversion"), "1.3.0.0");
  EXPECT_EQ(Text(block64, "\\StringFileInfo\\040904E4\\Comments"), "");
  EXPECT_EQ(Text(block64, "\\StringFileInfo\\040904E4\\FileVersio"), "<missing>");
  EXPECT_EQ(Text(block64, "\\StringFileInfo\\040904E4\\FileVersionX"), "<missing>");

  pe::VersionValue value;
  ASSERT_TRUE(pe::FindVersionValue(block64.data(), block64.size(), "\\VarFileInfo\\Translation", value));
  ASSERT_EQ(value.length, 4u);
  EXPECT_FALSE(value.isText);
  EXPECT_EQ(Bytes(block64.begin() + value.offset, block64.begin() + value.offset + 4), (Bytes{0x09, 0x04, 0xE4, 0x04}));

  const Bytes block32 = ResourceOf(Fixture("pe32.exe"));
  EXPECT_EQ(Text(block32, "\\StringFileInfo\\040904E4\\OriginalFileName"), "pe32.exe");
  ASSERT_TRUE(pe::FindVersionValue(block32.data(), block32.size(), "\\", value));
  ASSERT_EQ(value.length, 52u);
  EXPECT_EQ(Bytes(block32.begin() + value.offset, block32.begin() + value.offset + 4), (Bytes{0xBD, 0x04, 0xEF, 0xFE}));
}

TEST(PeVersionResource, AbsentWithoutAResourceNamedVersionInfo) {
  for (const char *name : {"no_version.exe", "no_resources.exe", "version_id2.exe"}) {
    const Bytes image = Fixture(name);
    ASSERT_FALSE(image.empty()) << name;
    pe::ByteRange range;
    EXPECT_FALSE(pe::FindPeVersionResource(image.data(), image.size(), {}, range)) << name;
  }
}

// The resource data is the last structure the search reads, so a copy cut anywhere before
// its end has no version resource, and one that holds it finds it at the same place.
TEST(PeVersionResource, CutShortImagesAreNeverReadPastTheirEnd) {
  for (const char *name : {"versioned.exe", "pe32.exe"}) {
    SCOPED_TRACE(name);
    const Bytes image = Fixture(name);
    pe::ByteRange whole;
    ASSERT_TRUE(pe::FindPeVersionResource(image.data(), image.size(), {}, whole));
    const std::size_t end = whole.offset + whole.length;
    for (std::size_t length = 0; length <= image.size(); ++length) {
      const Bytes cut(image.begin(), image.begin() + length);
      pe::ByteRange range;
      const bool found = pe::FindPeVersionResource(cut.data(), cut.size(), {}, range);
      ASSERT_EQ(found, length >= end) << "length " << length;
      if (found) {
        ASSERT_EQ(range.offset, whole.offset);
      }
    }
  }
}

TEST(PeVersionResource, CutShortBlocksAreNeverReadPastTheirEnd) {
  const Bytes block = ResourceOf(Fixture("multilang.exe"));
  for (std::size_t length = 0; length <= block.size(); ++length) {
    QueryEverything(Bytes(block.begin(), block.begin() + length));
  }
  EXPECT_EQ(Text(block, "\\StringFileInfo\\080403A8\\FileVersion"), "2.0.0.1");
}

// Every byte of the headers and of the resource section, inverted or off by one in turn:
// whatever the search then finds lies inside the file.
TEST(PeVersionResource, CorruptedImagesAreNeverReadOutside) {
  const Bytes image = Fixture("versioned.exe");
  pe::ByteRange whole;
  ASSERT_TRUE(pe::FindPeVersionResource(image.data(), image.size(), {}, whole));
  std::vector<std::size_t> offsets;
  for (std::size_t at = 0; at < 1024; ++at) offsets.push_back(at);
  for (std::size_t at = whole.offset > 1024 ? whole.offset - 1024 : 1024; at < image.size(); ++at)
    offsets.push_back(at);
  int stillFound = 0;
  for (std::size_t at : offsets) {
    for (unsigned char mask : {0xFF, 0x01}) {
      Bytes corrupt = image;
      corrupt[at] ^= mask;
      pe::ByteRange range;
      stillFound += LocateAndQuery(corrupt, range);
    }
  }
  // Most bytes (padding, other sections, the version block's contents) do not matter to
  // the search; those that do make it fail cleanly.
  EXPECT_GT(stillFound, 0);
  EXPECT_LT(stillFound, static_cast<int>(2 * offsets.size()));
}

void Put16(Bytes &bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<unsigned char>(value);
  bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(Bytes &bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, static_cast<std::uint16_t>(value));
  Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// A minimal PE32+ image whose one section, at file offset 512 and address 0x1000, holds
// the given resource section.
constexpr std::uint32_t kResourceRva = 0x1000;
constexpr std::size_t kResourceFileOffset = 512;

Bytes ImageWithResources(const Bytes &resources) {
  Bytes image(kResourceFileOffset + resources.size(), 0);
  Put16(image, 0, 0x5A4D);     // "MZ"
  Put32(image, 0x3C, 64);      // PE header offset
  Put32(image, 64, 0x4550);    // "PE\0\0"
  Put16(image, 68, 0x8664);    // machine
  Put16(image, 70, 1);         // one section
  Put16(image, 84, 240);       // optional header size
  Put16(image, 88, 0x20B);     // PE32+
  Put32(image, 88 + 108, 16);  // data directories
  Put32(image, 88 + 112 + 16, kResourceRva);
  Put32(image, 88 + 112 + 20, static_cast<std::uint32_t>(resources.size()));
  const std::size_t section = 88 + 240;
  Put32(image, section + 8, static_cast<std::uint32_t>(resources.size()));
  Put32(image, section + 12, kResourceRva);
  Put32(image, section + 16, static_cast<std::uint32_t>(resources.size()));
  Put32(image, section + 20, kResourceFileOffset);
  std::copy(resources.begin(), resources.end(), image.begin() + kResourceFileOffset);
  return image;
}

// A resource directory at `at` with numbered entries (id, OffsetToData).
void PutDirectory(Bytes &bytes, std::size_t at, const std::vector<std::pair<std::uint32_t, std::uint32_t>> &entries) {
  Put16(bytes, at + 14, static_cast<std::uint16_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Put32(bytes, at + 16 + 8 * i, entries[i].first);
    Put32(bytes, at + 20 + 8 * i, entries[i].second);
  }
}

constexpr std::uint32_t kSubdirectory = 0x80000000u;

TEST(PeVersionResource, FollowsTypeNameAndLanguageToTheData) {
  Bytes resources(92, 0);
  PutDirectory(resources, 0, {{16, kSubdirectory | 24}});
  PutDirectory(resources, 24, {{1, kSubdirectory | 48}});
  PutDirectory(resources, 48, {{0x0409, 72}});
  Put32(resources, 72, kResourceRva + 88);
  Put32(resources, 76, 4);
  const Bytes image = ImageWithResources(resources);
  pe::ByteRange range;
  ASSERT_TRUE(pe::FindPeVersionResource(image.data(), image.size(), {}, range));
  EXPECT_EQ(range.offset, kResourceFileOffset + 88);
  EXPECT_EQ(range.length, 4u);
}

TEST(PeVersionResource, LanguagesAreTriedInTheLoadersOrder) {
  using Order = std::vector<std::uint16_t>;
  EXPECT_EQ(pe::ResourceLanguageOrder(0x0804, 0x0804), (Order{0, 0x0804, 0x0004, 0x0409}));
  EXPECT_EQ(pe::ResourceLanguageOrder(0x0409, 0x0407), (Order{0, 0x0409, 0x0009, 0x0407, 0x0007}));
  EXPECT_EQ(pe::ResourceLanguageOrder(0x0409, 0x0409), (Order{0, 0x0409, 0x0009}));

  // German, neutral Chinese and Chinese (PRC): the first of the order that the file holds,
  // else the lowest id.
  const Bytes image = Fixture("languages_de_zh.exe");
  auto chosen = [&](std::uint16_t user) {
    pe::ByteRange range;
    EXPECT_TRUE(pe::FindPeVersionResource(image.data(), image.size(), pe::ResourceLanguageOrder(user, user), range));
    const std::string block(reinterpret_cast<const char *>(image.data()) + range.offset, range.length);
    for (const char *name : {"zh-CN", "de-DE", "zh"}) {
      std::string utf16;
      for (const char *c = name; *c; ++c) utf16 += std::string{*c, '\0'};
      if (block.find(utf16 + std::string(2, '\0')) != std::string::npos) return std::string(name);
    }
    return std::string("?");
  };
  EXPECT_EQ(chosen(0x0804), "zh-CN");
  EXPECT_EQ(chosen(0x1004), "zh");  // another Chinese: its neutral form
  EXPECT_EQ(chosen(0x0407), "de-DE");
  EXPECT_EQ(chosen(0x040C), "zh");  // none held: the lowest id, 0x0004
}

// Directories that point back at the root: the fixed three-level walk ends without data.
TEST(PeVersionResource, DirectoriesPointingBackAtTheRootEndTheSearch) {
  Bytes resources(32, 0);
  PutDirectory(resources, 0, {{1, kSubdirectory}, {16, kSubdirectory}});
  const Bytes image = ImageWithResources(resources);
  pe::ByteRange range;
  EXPECT_FALSE(pe::FindPeVersionResource(image.data(), image.size(), {}, range));
}

// A node that claims no length, or more than its parent holds, ends the search.
TEST(VersionTree, MalformedNodeLengthsEndTheSearch) {
  const Bytes block = ResourceOf(Fixture("versioned.exe"));
  pe::VersionValue table;
  ASSERT_TRUE(pe::FindVersionValue(block.data(), block.size(), "\\StringFileInfo\\040904E4", table));
  // The first string of the table starts at the table's children: right after its value.
  const std::size_t firstString = (table.offset + table.length + 3) & ~std::size_t(3);
  ASSERT_EQ(Text(block, "\\StringFileInfo\\040904E4\\CompanyName"), "Vantoro Software");
  for (std::uint16_t length : {0, 5, 0xFFFF}) {
    Bytes corrupt = block;
    corrupt[firstString] = static_cast<unsigned char>(length);
    corrupt[firstString + 1] = static_cast<unsigned char>(length >> 8);
    EXPECT_EQ(Text(corrupt, "\\StringFileInfo\\040904E4\\FileVersion"), "<missing>") << length;
    EXPECT_EQ(Text(corrupt, "\\StringFileInfo\\040904E4\\CompanyName"),
              length == 0xFFFF ? "Vantoro Software" : "<missing>");
    QueryEverything(corrupt);
  }
}

}  // namespace
