#include "engine/Installation.h"

#include <gtest/gtest.h>

#include <vector>

#include "sys/FileSystem.h"
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
      entries.push_back(TInstallEntry{dir / ("cache/" + std::string(name)), dir / ("app/" + std::string(name))});
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
      if (sys::FileExists(entry.Destination + ".quillet-new") || sys::FileExists(entry.Destination + ".quillet-old"))
        return false;
    }
    return !sys::FileExists(journal);
  }

  void WriteJournal(const std::string &phase, const std::vector<std::string> &lines) {
    std::string text = "quillet installation journal 1\n" + phase + "\n";
    for (const std::string &line : lines) text += line + "\n";
    WriteWholeFile(journal, text);
  }

  std::string Line(const std::string &name, bool existed) {
    const std::string dest = dir / ("app/" + name);
    return dest + "\t" + dest + ".quillet-new\t" + dest + ".quillet-old\t" + (existed ? "1" : "0");
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

TEST_F(InstallationTest, UnreadableJournalIsSetAsideWithoutTouchingTheInstallation) {
  WriteWholeFile(journal, "quillet installation journal 1\nrepl");
  WriteWholeFile(dir / "app/readme.txt.quillet-new", "new readme");
  EXPECT_TRUE(TInstallation(journal, app).Recover());
  EXPECT_FALSE(sys::FileExists(journal));
  EXPECT_EQ(ReadWholeFile(dir / "cache/install.journal.rejected"), "quillet installation journal 1\nrepl");
  EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "old readme");
}

// A journal names absolute paths; one that names anything but the installation's own
// files, or another temporary or kept name than a destination's own, is not followed.
TEST_F(InstallationTest, AJournalThatNamesOtherFilesIsSetAsideAndNotFollowed) {
  WriteWholeFile(dir / "victim.txt", "keep me");
  WriteWholeFile(dir / "app/victim.txt.quillet-new", "new victim");
  const std::string victim = dir / "victim.txt";
  const std::string dest = dir / "app/readme.txt";
  const std::string inCache = dir / "app/cache/update.ini";
  const std::string climbing = app + ".." + sys::kPathSepText + "victim.txt";
  const struct {
    const char *what, *phase;
    std::string line;
  } cases[] = {
      {"a destination outside the installation", "rolling-back", victim + "\t" + victim + ".quillet-new\t" + victim +
                                                                     ".quillet-old\t0"},
      {"a destination that climbs out", "rolling-back", climbing + "\t" + climbing + ".quillet-new\t" + climbing +
                                                            ".quillet-old\t0"},
      {"a destination in the staging folder", "replacing", inCache + "\t" + inCache + ".quillet-new\t" + inCache +
                                                               ".quillet-old\t1"},
      {"another temporary", "replacing", dest + "\t" + dir / "app/victim.txt.quillet-new" + "\t" + dest +
                                             ".quillet-old\t1"},
      {"another kept file", "replacing", dest + "\t" + dest + ".quillet-new\t" + victim + "\t1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    WriteJournal(c.phase, {c.line});
    const std::string written = ReadWholeFile(journal);
    EXPECT_TRUE(TInstallation(journal, app).Recover());
    EXPECT_FALSE(sys::FileExists(journal));
    EXPECT_EQ(ReadWholeFile(dir / "cache/install.journal.rejected"), written);
    EXPECT_EQ(ReadWholeFile(dir / "victim.txt"), "keep me");
    EXPECT_EQ(ReadWholeFile(dir / "app/victim.txt.quillet-new"), "new victim");
    EXPECT_EQ(ReadWholeFile(dir / "app/readme.txt"), "old readme");
  }
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
