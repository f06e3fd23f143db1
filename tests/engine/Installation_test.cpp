#include "engine/Installation.h"

#include <gtest/gtest.h>

#include <vector>

#include "sys/FileLock.h"
#include "sys/FileSystem.h"
#include "sys/Platform.h"
#include "tests/support/TestDir.h"

using namespace testing_support;

namespace {

// An installation with two files of the old release and a staging directory holding the
// new release: both files changed and one added in a new sub-directory.
class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(dir / "app/Quillet.exe", "old program");
    WriteWholeFile(dir / "app/readme.txt", "old readme");
    WriteWholeFile(dir / "cache/Quillet.exe", "new program");
    WriteWholeFile(dir / "cache/readme.txt", "new readme");
    WriteWholeFile(dir / "cache/plugins/spell.dic", "new plug-in");
    for (const char *name : {"Quillet.exe", "readme.txt", "plugins/spell.dic"}) {
      entries.push_back(TInstallEntry{dir / ("cache/" + std::string(name)), name});
    }
  }

  // True when the installation is wholly the old release and nothing of ours is left.
  bool WhollyOld() {
    return ReadWholeFile(dir / "app/Quillet.exe") == "old program" &&
           ReadWholeFile(dir / "app/readme.txt") == "old readme" && !sys::FileExists(dir / "app/plugins/spell.dic") &&
           NothingLeftBehind();
  }

  bool WhollyNew() {
    return ReadWholeFile(dir / "app/Quillet.exe") == "new program" &&
           ReadWholeFile(dir / "app/readme.txt") == "new readme" &&
           ReadWholeFile(dir / "app/plugins/spell.dic") == "new plug-in" && NothingLeftBehind();
  }

  bool NothingLeftBehind() {
    for (const TInstallEntry &entry : entries) {
      const std::string destination = dir / ("app/" + entry.Name);
      if (sys::FileExists(destination + ".quillet-new") || sys::FileExists(destination + ".quillet-old")) return false;
    }
    return !sys::FileExists(journal);
  }

  void WriteJournal(const std::string &phase, const std::vector<std::string> &lines) {
    std::string text = "quillet installation journal 2\n" + phase + "\n";
    for (const std::string &line : lines) text += line + "\n";
    WriteWholeFile(journal, text);
  }

  std::string Line(const std::string &name, bool existed) {
    return std::string("file\t") + (existed ? "1" : "0") + "\t" + name;
  }

  void BlockedRecoveryWaitsForTheNextRun(const char *phase, const std::string &blocked, bool endsNew);

  TestDir dir;
  std::vector<TInstallEntry> entries;
  std::string journal = dir / "cache/install.journal";
  std::string app = sys::WithTrailingSeparator(dir / "app");
};

TEST_F(InstallationTest, EveryEntryReplacedAndAnnouncedInOrder) {
  std::vector<int> replaced;
  EXPECT_TRUE(TInstallation(journal, app).Run(entries, [&](int i) { replaced.push_back(i); }));
  EXPECT_EQ(replaced, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(WhollyNew());
}

TEST_F(InstallationTest, MissingStagedFileChangesNothing) {
  sys::RemoveFile(dir / "cache/plugins/spell.dic");
  int replaced = 0;
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, [&](int) { ++replaced; }));
  EXPECT_EQ(replaced, 0);
  EXPECT_TRUE(WhollyOld());
  // The directory made for the missing file goes with the temporaries.
  EXPECT_FALSE(sys::DirectoryExists(dir / "app/plugins"));
}

TEST_F(InstallationTest, StepHookStandsWhereTheInstallationIs) {
  // Each point as a test that stops there sees it: what is on disk at that moment.
  std::vector<std::string> seen;
  TInstallation installation(journal, app);
  installation.SetStepHook([&](const char *point) {
    const std::string name = point;
    const bool temporaries = sys::FileExists(dir / "app/Quillet.exe.quillet-new");
    const bool kept = sys::FileExists(dir / "app/Quillet.exe.quillet-old");
    if (name == "copying") {
      EXPECT_FALSE(temporaries);
    } else if (name == "replacing") {
      EXPECT_TRUE(temporaries && sys::FileExists(journal) && !kept);
    } else if (name == "cleaning") {
      EXPECT_TRUE(kept && ReadWholeFile(journal).find("\ncleaning\n") != std::string::npos);
    }
    seen.push_back(name);
  });
  EXPECT_TRUE(installation.Run(entries, nullptr));
  EXPECT_EQ(seen, (std::vector<std::string>{"copying", "copied", "copied", "copied", "replacing", "replaced",
                                            "replaced", "replaced", "cleaning"}));
  EXPECT_TRUE(WhollyNew());
}

TEST_F(InstallationTest, DirectoryWhereAFileBelongsChangesNothing) {
  ASSERT_TRUE(sys::RemoveFile(dir / "app/readme.txt"));
  sys::ForceDirectories(dir / "app/readme.txt");
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, nullptr));
  EXPECT_EQ(ReadWholeFile(dir / "app/Quillet.exe"), "old program");
  EXPECT_TRUE(sys::DirectoryExists(dir / "app/readme.txt"));
  EXPECT_FALSE(sys::FileExists(dir / "app/plugins/spell.dic"));
}

TEST_F(InstallationTest, FailureWhileReplacingPutsBackEveryReplacedFile) {
  // After the first replacement a directory appears where the added file belongs, so
  // replacing that one fails after two files were already replaced.
  int replaced = 0;
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, [&](int i) {
    ++replaced;
    if (i == 0) sys::ForceDirectories(dir / "app/plugins/spell.dic");
  }));
  EXPECT_EQ(replaced, 2);
  EXPECT_EQ(ReadWholeFile(dir / "app/Quillet.exe"), "old program");
  EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "old readme");
  EXPECT_TRUE(sys::DirectoryExists(dir / "app/plugins/spell.dic"));
  EXPECT_FALSE(sys::FileExists(journal));
  EXPECT_FALSE(sys::FileExists(dir / "app/Quillet.exe.quillet-old"));
  EXPECT_FALSE(sys::FileExists(dir / "app/plugins/spell.dic.quillet-new"));
}

TEST_F(InstallationTest, InterruptedReplacementIsFinishedByTheNextRun) {
  // Killed in phase 2: Quillet.exe replaced (its old file kept), the others not yet.
  WriteWholeFile(dir / "app/Quillet.exe.quillet-old", "old program");
  WriteWholeFile(dir / "app/Quillet.exe", "new program");
  WriteWholeFile(dir / "app/readme.txt.quillet-new", "new readme");
  WriteWholeFile(dir / "app/plugins/spell.dic.quillet-new", "new plug-in");
  WriteJournal("replacing", {Line("Quillet.exe", true), Line("readme.txt", true), Line("plugins/spell.dic", false)});
  TInstallation(journal, app).Recover();
  EXPECT_TRUE(WhollyNew());
}

TEST_F(InstallationTest, InterruptedRollBackIsFinishedByTheNextRun) {
  // Killed while putting back: readme.txt restored already, Quillet.exe and the added
  // plug-in still the new ones.
  WriteWholeFile(dir / "app/Quillet.exe.quillet-old", "old program");
  WriteWholeFile(dir / "app/Quillet.exe", "new program");
  WriteWholeFile(dir / "app/plugins/spell.dic", "new plug-in");
  WriteJournal("rolling-back", {Line("Quillet.exe", true), Line("readme.txt", true), Line("plugins/spell.dic", false)});
  TInstallation(journal, app).Recover();
  EXPECT_TRUE(WhollyOld());
}

TEST_F(InstallationTest, KeptFilesThatCouldNotBeRemovedGoOnALaterRun) {
  WriteWholeFile(dir / "app/Quillet.exe.quillet-old", "old program");
  WriteJournal("cleaning", {Line("Quillet.exe", true)});
  TInstallation(journal, app).Recover();
  EXPECT_FALSE(sys::FileExists(dir / "app/Quillet.exe.quillet-old"));
  EXPECT_FALSE(sys::FileExists(journal));
  EXPECT_EQ(ReadWholeFile(dir / "app/Quillet.exe"), "old program");
}

// A journal that exists but cannot be read now (held open without sharing, on Windows) may
// promise a replacement: nothing starts until it can be read.
TEST_F(InstallationTest, AJournalThatCannotBeReadNowLeavesTheInstallationUnfinished) {
  WriteJournal("replacing", {Line("readme.txt", true)});
  sys::FileLock reader;
  if (!sys::kIsWindows || reader.TryLock(journal) != sys::FileLock::Result::kLocked) GTEST_SKIP() << "only Windows keeps a file from being read so";
  TInstallation installation(journal, app);
  EXPECT_FALSE(installation.Recover());
  EXPECT_TRUE(installation.Unfinished());
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, nullptr));
  EXPECT_EQ(ReadWholeFile(dir / "app/Quillet.exe"), "old program");
}

TEST_F(InstallationTest, UnreadableJournalIsSetAsideWithoutTouchingTheInstallation) {
  WriteWholeFile(journal, "quillet installation journal 2\nrepl");
  WriteWholeFile(dir / "app/readme.txt.quillet-new", "new readme");
  EXPECT_TRUE(TInstallation(journal, app).Recover());
  EXPECT_FALSE(sys::FileExists(journal));
  EXPECT_EQ(ReadWholeFile(dir / "cache/install.journal.rejected"), "quillet installation journal 2\nrepl");
  EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "old readme");
}

// A journal that names anything the manifest filter would not keep, or a file twice, is
// not followed; nor is one of the earlier form whose absolute paths leave the directory.
TEST_F(InstallationTest, AJournalThatNamesOtherFilesIsSetAsideAndNotFollowed) {
  WriteWholeFile(dir / "victim.txt", "keep me");
  WriteWholeFile(dir / "victim.txt.quillet-old", "old victim");
  WriteWholeFile(dir / "app/cache/update.ini.quillet-new", "new staged manifest");
  const std::string victim = dir / "victim.txt";
  const struct {
    const char *what, *header, *phase;
    std::string line;
  } cases[] = {
      {"a name that climbs out", "quillet installation journal 2", "rolling-back", "file\t1\t../victim.txt"},
      {"the staging folder", "quillet installation journal 2", "replacing", "file\t1\tcache/update.ini"},
      {"a file twice", "quillet installation journal 2", "replacing", "file\t1\treadme.txt\nfile\t1\tREADME.TXT"},
      {"a leftover outside", "quillet installation journal 2", "cleaning", "leftover\t../victim.txt"},
      {"an unknown line", "quillet installation journal 2", "cleaning", "delete\t../victim.txt"},
      {"an absolute path outside", "quillet installation journal 1", "rolling-back",
       victim + "\t" + victim + ".quillet-new\t" + victim + ".quillet-old\t1"},
      {"another kept file", "quillet installation journal 1", "replacing",
       dir / "app/readme.txt" + "\t" + dir / "app/readme.txt.quillet-new" + "\t" + victim + "\t1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string written = std::string(c.header) + "\n" + c.phase + "\n" + c.line + "\n";
    WriteWholeFile(journal, written);
    EXPECT_TRUE(TInstallation(journal, app).Recover());
    EXPECT_FALSE(sys::FileExists(journal));
    EXPECT_EQ(ReadWholeFile(dir / "cache/install.journal.rejected"), written);
    EXPECT_EQ(ReadWholeFile(dir / "victim.txt"), "keep me");
    EXPECT_EQ(ReadWholeFile(dir / "victim.txt.quillet-old"), "old victim");
    EXPECT_EQ(ReadWholeFile(dir / "app/cache/update.ini.quillet-new"), "new staged manifest");
    EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "old readme");
  }
}

// Names relative to the program directory mean the same files however it is spelled; a
// journal of the earlier form with absolute paths inside it is still followed.
TEST_F(InstallationTest, JournalsAreFollowedWhateverTheDirectorysSpelling) {
  WriteWholeFile(dir / "app/readme.txt.quillet-new", "new readme");
  WriteJournal("replacing", {Line("readme.txt", true)});
  EXPECT_TRUE(TInstallation(journal, dir / "app/../app/").Recover());
  EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "new readme");
  EXPECT_FALSE(sys::FileExists(journal));

  const std::string program = dir / "app/Quillet.exe";
  WriteWholeFile(program + ".quillet-new", "new program");
  WriteWholeFile(journal, "quillet installation journal 1\nreplacing\n" + program + "\t" + program +
                              ".quillet-new\t" + program + ".quillet-old\t1\n");
  EXPECT_TRUE(TInstallation(journal, app).Recover());
  EXPECT_EQ(ReadWholeFile(program), "new program");
  EXPECT_FALSE(sys::FileExists(program + ".quillet-old"));
}

// Two names of one file would move the new file over the kept old one.
TEST_F(InstallationTest, AReleaseThatNamesAFileTwiceChangesNothing) {
  entries.push_back(TInstallEntry{dir / "cache/readme.txt", "README.TXT"});
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, nullptr));
  EXPECT_TRUE(WhollyOld());
}

// Kept files that an earlier installation could not remove (a program that was running)
// are remembered by the next one's journal until they are gone. Windows keeps a file that
// is open without sharing from being removed; elsewhere the file simply goes at once.
TEST_F(InstallationTest, KeptFilesOfAnEarlierInstallationAreRemovedLater) {
  const std::string kept = dir / "app/tool.exe.quillet-old";
  WriteWholeFile(kept, "old tool, was running");
  WriteJournal("cleaning", {Line("tool.exe", true)});
  sys::FileLock running;
  const bool held = sys::kIsWindows && running.TryLock(kept) == sys::FileLock::Result::kLocked;
  EXPECT_TRUE(TInstallation(journal, app).Run(entries, nullptr));
  if (held) {
    EXPECT_NE(ReadWholeFile(journal).find("leftover\ttool.exe"), std::string::npos) << ReadWholeFile(journal);
    running.Unlock();
    EXPECT_TRUE(TInstallation(journal, app).Recover());
  }
  EXPECT_FALSE(sys::FileExists(kept));
  EXPECT_TRUE(WhollyNew());
}

// A destination that cannot be brought to its final state now (here a directory in its
// way; a file held open on Windows): the journal and every kept old file stay, the
// recovery says it is unfinished, and a later recovery completes it.
void InstallationTest::BlockedRecoveryWaitsForTheNextRun(const char *phase, const std::string &blocked, bool endsNew) {
  // Quillet.exe replaced, its old file kept; readme.txt and the plug-in not yet.
  WriteWholeFile(dir / "app/Quillet.exe.quillet-old", "old program");
  WriteWholeFile(dir / "app/Quillet.exe", "new program");
  WriteWholeFile(dir / "app/readme.txt.quillet-new", "new readme");
  WriteWholeFile(dir / "app/plugins/spell.dic.quillet-new", "new plug-in");
  WriteJournal(phase, {Line("Quillet.exe", true), Line("readme.txt", true), Line("plugins/spell.dic", false)});
  const std::string written = ReadWholeFile(journal);
  const std::string saved = ReadWholeFile(blocked);
  ASSERT_TRUE(sys::RemoveFile(blocked));
  ASSERT_TRUE(sys::ForceDirectories(blocked + sys::kPathSepText + "inside"));

  TInstallation installation(journal, app);
  EXPECT_FALSE(installation.Recover());
  EXPECT_TRUE(installation.Unfinished());
  EXPECT_NE(installation.FailureReason().find(blocked), std::string::npos) << installation.FailureReason();
  EXPECT_EQ(ReadWholeFile(journal), written);
  EXPECT_EQ(ReadWholeFile(dir / "app/Quillet.exe.quillet-old"), "old program");
  EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt.quillet-new"), "new readme");
  // Nothing new starts on top of it either.
  EXPECT_FALSE(TInstallation(journal, app).Run(entries, nullptr));
  EXPECT_EQ(ReadWholeFile(journal), written);

  ASSERT_TRUE(sys::RemoveEmptyDirectory(blocked + sys::kPathSepText + "inside"));
  ASSERT_TRUE(sys::RemoveEmptyDirectory(blocked));
  WriteWholeFile(blocked, saved);
  EXPECT_TRUE(TInstallation(journal, app).Recover());
  EXPECT_TRUE(endsNew ? WhollyNew() : WhollyOld());
}

TEST_F(InstallationTest, BlockedForwardRecoveryWaitsForTheNextRun) {
  BlockedRecoveryWaitsForTheNextRun("replacing", dir / "app/readme.txt", true);
}

TEST_F(InstallationTest, BlockedRollBackWaitsForTheNextRun) {
  BlockedRecoveryWaitsForTheNextRun("rolling-back", dir / "app/Quillet.exe", false);
}

}  // namespace
