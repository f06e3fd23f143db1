// KillProcess on POSIX against a process it may not inspect: another user's, whose
// executable path the system keeps from us.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "sys/GlobalUtils.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestDir.h"

namespace {

using testing_support::ChildProcess;
using testing_support::TestDir;

constexpr uid_t kNobody = 65534;

// What the unprivileged side reports through its exit status.
enum Outcome { kStoppedAtTheFirst = 0, kEndedOne = 1, kCannotDropPrivileges = 2, kNoLaterOne = 3 };

bool RunsProgramNamed(pid_t id, const std::string &name) {
  char path[PATH_MAX];
  const ssize_t n = readlink(("/proc/" + std::to_string(id) + "/exe").c_str(), path, sizeof path - 1);
  const std::string target(path, n > 0 ? std::size_t(n) : 0);
  return target.size() >= name.size() && target.compare(target.size() - name.size(), name.size(), name) == 0;
}

// As the unprivileged user: starts a second "Quillet.exe" of its own, which it could end,
// then asks KillProcess to end the first one of that name.
int UnprivilegedKill(const std::string &program) {
  if (setgid(kNobody) != 0 || setuid(kNobody) != 0) return kCannotDropPrivileges;
  int input[2];
  if (pipe(input) != 0) return kNoLaterOne;
  const pid_t later = fork();
  if (later == 0) {
    dup2(input[0], 0);
    execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
    _exit(127);
  }
  close(input[0]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!RunsProgramNamed(later, "Quillet.exe")) {
    if (std::chrono::steady_clock::now() > deadline) return kNoLaterOne;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const bool ended = KillProcess("Quillet.exe");
  kill(later, SIGKILL);
  waitpid(later, nullptr, 0);
  return ended ? kEndedOne : kStoppedAtTheFirst;
}

TEST(KillProcessPosix, AFirstMatchThatCannotBeInspectedEndsTheSearch) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run a process of another user";
  TestDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::string program = dir / "Quillet.exe";
  std::filesystem::copy_file(QUILLET_WAIT_HELPER, program);
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  // The first of that name, root's: the unprivileged side sees only its short name.
  ChildProcess first(program);
  ASSERT_TRUE(first.Started());

  const pid_t unprivileged = fork();
  if (unprivileged == 0) _exit(UnprivilegedKill(program));
  int status = 0;
  ASSERT_EQ(waitpid(unprivileged, &status, 0), unprivileged);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kStoppedAtTheFirst)
      << "1: the later one, which it may inspect, was ended; 2, 3: the test could not set up";
  EXPECT_FALSE(first.WaitForExit(0).has_value()) << "the first one was ended";
}

}  // namespace
