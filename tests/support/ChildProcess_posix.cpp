#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/ChildProcess.h"

extern char **environ;

namespace testing_support {

const int kEndedByKillProcess = 128 + SIGKILL;

struct ChildProcess::State {
  pid_t id = -1;
  int input = -1;
  std::optional<int> status;
};

ChildProcess::ChildProcess(const std::string &program) : state_(new State) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
  char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
  pid_t id;
  if (posix_spawn(&id, program.c_str(), &actions, nullptr, argv, environ) == 0) state_->id = id;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[0]);
  state_->input = pipeEnds[1];
}

ChildProcess::~ChildProcess() {
  CloseInput();
  if (Started() && !WaitForExit(10000)) {
    kill(state_->id, SIGKILL);
    waitpid(state_->id, nullptr, 0);
  }
  delete state_;
}

bool ChildProcess::Started() const { return state_->id > 0; }
unsigned long ChildProcess::Id() const { return static_cast<unsigned long>(state_->id); }

void ChildProcess::CloseInput() {
  if (state_->input >= 0) close(state_->input);
  state_->input = -1;
}

std::optional<int> ChildProcess::WaitForExit(int limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!state_->status && Started()) {
    int status;
    if (waitpid(state_->id, &status, WNOHANG) == state_->id) {
      state_->status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return state_->status;
}

}  // namespace testing_support
