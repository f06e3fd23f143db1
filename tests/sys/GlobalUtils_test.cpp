#include "sys/GlobalUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sys/Platform.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestDir.h"

using testing_support::ChildProcess;
using testing_support::kEndedByKillProcess;
using testing_support::TestDir;

namespace {

constexpr int kExitWaitMs = 20000;

// Copies of the wait helper, started under a chosen file name in a directory of their own.
class KillProcessTest : public ::testing::Test {
 protected:
  std::string Install(const std::string &fileName) {
    std::string path = dir_ / fileName;
    std::filesystem::copy_file(QUILLET_WAIT_HELPER, path);
    return path;
  }

  // Lets a helper that should still run end by itself: it then reports exit code 0, which
  // shows that nothing ended it before.
  static void ExpectStillRunning(ChildProcess &helper) {
    helper.CloseInput();
    EXPECT_EQ(helper.WaitForExit(kExitWaitMs), 0) << "helper " << helper.Id() << " was ended";
  }

  TestDir dir_;
};

TEST_F(KillProcessTest, EndsOnlyTheFirstOfTwoInstancesIgnoringAsciiCase) {
  std::string exe = Install("Quillet.exe");
  ChildProcess a(exe), b(exe);
  ASSERT_TRUE(a.Started() && b.Started());

  EXPECT_TRUE(KillProcess("quillet.EXE"));

  // Which one the system lists first is its own business (on POSIX the lower process id).
  ChildProcess *ended = nullptr;
  for (int waited = 0; !ended && waited < kExitWaitMs; waited += 10) {
    if (a.WaitForExit(5))
      ended = &a;
    else if (b.WaitForExit(5))
      ended = &b;
  }
  ASSERT_NE(ended, nullptr) << "neither instance ended";
  EXPECT_EQ(ended->WaitForExit(0), kEndedByKillProcess);
  ChildProcess &survivor = ended == &a ? b : a;
  if (!sys::kIsWindows) {
    EXPECT_LT(ended->Id(), survivor.Id());
  }
  ExpectStillRunning(survivor);
}

TEST_F(KillProcessTest, NameWithDirectoryOrOfNoProcessEndsNothing) {
  std::string exe = Install("Quillet.exe");
  ChildProcess helper(exe);
  ASSERT_TRUE(helper.Started());

  EXPECT_FALSE(KillProcess(exe));
  EXPECT_FALSE(KillProcess(std::string(1, sys::kPathSep) + "Quillet.exe"));
  EXPECT_FALSE(KillProcess("Quillet"));
  EXPECT_FALSE(KillProcess("Quillet.exe.not-running"));
  EXPECT_FALSE(KillProcess(""));
  ExpectStillRunning(helper);
}

TEST_F(KillProcessTest, MatchesTheWholeFileNameOfLongNames) {
  // Longer than the 15 characters of the short name that Linux keeps per process.
  ChildProcess helper(Install("QuilletLauncherHelper.exe"));
  ASSERT_TRUE(helper.Started());

  EXPECT_FALSE(KillProcess("QuilletLauncher"));
  EXPECT_TRUE(KillProcess("quilletlauncherhelper.exe"));
  EXPECT_EQ(helper.WaitForExit(kExitWaitMs), kEndedByKillProcess);
}

}  // namespace
