#include "sys/FileSystem.h"

#include <gtest/gtest.h>

#include <map>

#include "sys/uGlobal.h"
#include "tests/support/TestDir.h"

using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

const std::string S = sys::kPathSepText;

TEST(Paths, DirectoryPartAndTrailingSeparator) {
  EXPECT_EQ(sys::ExtractFileDir("a" + S + "b" + S + "c.txt"), "a" + S + "b");
  EXPECT_EQ(sys::ExtractFileDir("c.txt"), "");
  EXPECT_EQ(sys::WithTrailingSeparator("dir"), "dir" + S);
  EXPECT_EQ(sys::WithTrailingSeparator("dir" + S), "dir" + S);
  EXPECT_EQ(sys::WithTrailingSeparator(""), "");
  EXPECT_EQ(sys::ToLocalPath("plugins/sub/a.dll"), "plugins" + S + "sub" + S + "a.dll");
}

TEST(Paths, ProgramDirectoryIsCutAfterTheLastSeparator) {
  EXPECT_EQ(CutAfterLastSeparator("x" + S + "y" + S + "Update.exe"), "x" + S + "y" + S);
  EXPECT_EQ(CutAfterLastSeparator("Update.exe"), "");
  if (sys::kIsWindows) {
    EXPECT_EQ(CutAfterLastSeparator("C:Update.exe"), "C:");
  }
  std::string dir = ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), sys::kPathSep);
  EXPECT_TRUE(sys::DirectoryExists(dir));
}

TEST(FileSystem, ForceDirectoriesCreatesEveryMissingLevel) {
  TestDir dir;
  std::string deep = dir / "a/b/c";
  EXPECT_FALSE(sys::DirectoryExists(deep));
  EXPECT_TRUE(sys::ForceDirectories(deep));
  EXPECT_TRUE(sys::DirectoryExists(deep));
  EXPECT_TRUE(sys::ForceDirectories(deep));
  EXPECT_FALSE(sys::FileExists(deep));
}

TEST(FileSystem, CopyReplacesAnExistingFileAndRemoveDeletes) {
  TestDir dir;
  WriteWholeFile(dir / "src", std::string("new\0content", 11));
  WriteWholeFile(dir / "dest", "an older and longer content");
  EXPECT_TRUE(sys::CopyFileReplacing(dir / "src", dir / "dest"));
  EXPECT_EQ(ReadWholeFile(dir / "dest"), std::string("new\0content", 11));
  EXPECT_FALSE(sys::CopyFileReplacing(dir / "missing", dir / "dest2"));
  EXPECT_FALSE(sys::FileExists(dir / "dest2"));
  EXPECT_TRUE(sys::RemoveFile(dir / "dest"));
  EXPECT_FALSE(sys::FileExists(dir / "dest"));
  EXPECT_FALSE(sys::RemoveFile(dir / "dest"));
}

TEST(FileSystem, OutputFileReplacesContentAndReportsFailure) {
  TestDir dir;
  WriteWholeFile(dir / "out", "previous content");
  sys::OutputFile out;
  ASSERT_TRUE(out.Create(dir / "out"));
  EXPECT_TRUE(out.Write("abc", 3));
  out.Close();
  EXPECT_EQ(ReadWholeFile(dir / "out"), "abc");
  EXPECT_FALSE(out.Write("x", 1));
  EXPECT_FALSE(out.Create(dir / "no/such/dir/file"));
}

TEST(FileSystem, ListDirectoryNamesFilesAndFolders) {
  TestDir dir;
  WriteWholeFile(dir / "a.txt", "a");
  WriteWholeFile(dir / "sub/b.txt", "b");
  std::vector<sys::DirectoryEntry> entries;
  ASSERT_TRUE(sys::ListDirectory(dir.path(), entries));
  std::map<std::string, sys::DirectoryEntry::Kind> kinds;
  for (const auto &entry : entries) kinds[entry.Name] = entry.Type;
  EXPECT_EQ(kinds, (std::map<std::string, sys::DirectoryEntry::Kind>{{"a.txt", sys::DirectoryEntry::Kind::File},
                                                                     {"sub", sys::DirectoryEntry::Kind::Directory}}));
  ASSERT_TRUE(sys::ListDirectory(dir / "sub", entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Name, "b.txt");
  EXPECT_FALSE(sys::ListDirectory(dir / "missing", entries));
}

TEST(FileSystem, MoveReplacesTheTargetAndFoldersGoOnlyWhenEmpty) {
  TestDir dir;
  WriteWholeFile(dir / "sub/new", "new content");
  WriteWholeFile(dir / "sub/old", "old");
  EXPECT_TRUE(sys::MoveFileReplacing(dir / "sub/new", dir / "sub/old"));
  EXPECT_EQ(ReadWholeFile(dir / "sub/old"), "new content");
  EXPECT_FALSE(sys::FileExists(dir / "sub/new"));
  EXPECT_FALSE(sys::MoveFileReplacing(dir / "sub/new", dir / "sub/old"));
  EXPECT_FALSE(sys::RemoveEmptyDirectory(dir / "sub"));
  EXPECT_TRUE(sys::RemoveFile(dir / "sub/old"));
  EXPECT_TRUE(sys::RemoveEmptyDirectory(dir / "sub"));
  EXPECT_FALSE(sys::DirectoryExists(dir / "sub"));
}

}  // namespace
