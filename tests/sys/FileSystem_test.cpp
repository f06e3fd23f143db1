#include "sys/FileSystem.h"

#include <gtest/gtest.h>

#include <map>

#include "sys/Error.h"
#include "sys/FileLock.h"
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

TEST(FileSystem, WholeFilesAreReadWrittenAndReplacedInOneStep) {
  TestDir dir;
  const std::string file = dir / "whole.txt";
  const std::string bytes("line\r\n\0zero\xFF", 13);
  ASSERT_TRUE(sys::WriteWholeFile(file, bytes));
  std::string read;
  ASSERT_TRUE(sys::ReadWholeFile(file, read, 100));
  EXPECT_EQ(read, bytes);
  EXPECT_GE(read.capacity(), bytes.size() + 100);
  ASSERT_TRUE(sys::ReplaceWholeFile(file, "replaced"));
  EXPECT_EQ(ReadWholeFile(file), "replaced");
  ASSERT_TRUE(sys::ReplaceWholeFile(dir / "new.txt", ""));
  EXPECT_TRUE(sys::ReadWholeFile(dir / "new.txt", read) && read.empty());
  // No temporary is left behind.
  std::vector<sys::DirectoryEntry> entries;
  ASSERT_TRUE(sys::ListDirectory(dir.path(), entries));
  EXPECT_EQ(entries.size(), 2u);

  // Failures keep the system's reason.
  EXPECT_FALSE(sys::ReadWholeFile(dir / "missing", read));
  const std::string reason = sys::LastErrorText();
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(sys::WithLastError("cannot read x"), "cannot read x: " + sys::LastErrorText());
  EXPECT_FALSE(sys::ReadWholeFile(dir.path(), read)) << "a folder is no file";
  EXPECT_FALSE(sys::WriteWholeFile(dir / "no/such/dir/f", "x"));
  EXPECT_FALSE(sys::ReplaceWholeFile(dir / "no/such/dir/f", "x"));
  EXPECT_FALSE(sys::LastErrorText().empty());
}

TEST(FileSystem, ALockExcludesEveryOtherHolderUntilReleased) {
  TestDir dir;
  const std::string path = dir / "update.lock";
  using Result = sys::FileLock::Result;
  sys::FileLock first, second;
  ASSERT_EQ(first.TryLock(path), Result::kLocked);
  EXPECT_EQ(first.TryLock(path), Result::kLocked) << "a holder keeps its lock";
  EXPECT_EQ(second.TryLock(path), Result::kHeldElsewhere);
  EXPECT_FALSE(second.Held());
  first.Unlock();
  EXPECT_EQ(second.TryLock(path), Result::kLocked);
  EXPECT_EQ(first.TryLock(path), Result::kHeldElsewhere);
  EXPECT_EQ(sys::FileLock().TryLock(dir / "no/such/dir/update.lock"), Result::kFailed);
}

}  // namespace
