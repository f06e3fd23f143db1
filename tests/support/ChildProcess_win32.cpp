#include <windows.h>

#include <vector>

#include "tests/support/ChildProcess.h"

namespace testing_support {

const int kEndedByKillProcess = STILL_ACTIVE;

struct ChildProcess::State {
  HANDLE process = nullptr;
  DWORD id = 0;
  HANDLE input = nullptr;
};

ChildProcess::ChildProcess(const std::string &program) : state_(new State) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return;
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string quoted = "\"" + program + "\"";
  std::vector<char> commandLine(quoted.begin(), quoted.end());
  commandLine.push_back('\0');
  PROCESS_INFORMATION started{};
  if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &started)) {
    CloseHandle(started.hThread);
    state_->process = started.hProcess;
    state_->id = started.dwProcessId;
  }
  CloseHandle(readEnd);
  state_->input = writeEnd;
}

ChildProcess::~ChildProcess() {
  CloseInput();
  if (Started()) {
    if (!WaitForExit(10000)) {
      TerminateProcess(state_->process, 1);
      WaitForSingleObject(state_->process, INFINITE);
    }
    CloseHandle(state_->process);
  }
  delete state_;
}

bool ChildProcess::Started() const { return state_->process != nullptr; }
unsigned long ChildProcess::Id() const { return state_->id; }

void ChildProcess::CloseInput() {
  if (state_->input) CloseHandle(state_->input);
  state_->input = nullptr;
}

std::optional<int> ChildProcess::WaitForExit(int limitMs) {
  DWORD code;
  if (!Started() || WaitForSingleObject(state_->process, DWORD(limitMs)) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(state_->process, &code))
    return std::nullopt;
  return int(code);
}

}  // namespace testing_support
