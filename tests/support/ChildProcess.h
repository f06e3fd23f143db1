#pragma once
#include <optional>
#include <string>

namespace testing_support {

// A program started for a test, with its standard input on a pipe that this object holds
// open. The wait helper (WaitForInputEnd.cpp) runs until that pipe closes, so no helper
// outlives its test, even one whose process died.
class ChildProcess {
 public:
  explicit ChildProcess(const std::string &program);
  // Closes the input and waits for the program; ends it by its id if it does not go.
  ~ChildProcess();
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  bool Started() const;
  unsigned long Id() const;
  // Closes the program's standard input: the wait helper then ends with exit code 0.
  void CloseInput();
  // Waits up to limitMs for the program to end and gives its exit status (on POSIX
  // 128 + the signal number when a signal ended it), or nothing while it still runs.
  std::optional<int> WaitForExit(int limitMs);

 private:
  struct State;
  State *state_;
};

// The exit status of a process that KillProcess ended: SIGKILL on POSIX; on Windows the
// still-active code 259 that KillProcess reads and terminates it with.
extern const int kEndedByKillProcess;

}  // namespace testing_support
