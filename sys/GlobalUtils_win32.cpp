#include "sys/GlobalUtils.h"

// The tool-help records need the types of windows.h.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstring>
#include "sys/Handle.h"
#include "sys/TextCase.h"

namespace {
using TCreateToolhelp32Snapshot = HANDLE(WINAPI *)(DWORD, DWORD);
using TProcess32First = BOOL(WINAPI *)(HANDLE, PROCESSENTRY32 *);
using TProcess32Next = BOOL(WINAPI *)(HANDLE, PROCESSENTRY32 *);

struct ToolHelp {
  TCreateToolhelp32Snapshot CreateSnapshot;
  TProcess32First First;
  TProcess32Next Next;
};

template <typename Function>
Function EntryPoint(HMODULE library, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The tool-help functions, looked up by name in "kernel32.dll" on first use. The narrow
// names are the ones that fill PROCESSENTRY32 with code-page text.
const ToolHelp &ToolHelpFunctions() {
  static const ToolHelp functions = [] {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return ToolHelp{EntryPoint<TCreateToolhelp32Snapshot>(kernel, "CreateToolhelp32Snapshot"),
                    EntryPoint<TProcess32First>(kernel, "Process32First"),
                    EntryPoint<TProcess32Next>(kernel, "Process32Next")};
  }();
  return functions;
}

// Opens the process with every access right (handle inheritance on, as it always was),
// reads its exit code and terminates it with that code: a running process reports
// STILL_ACTIVE (259), which thereby becomes the code it ends with.
bool TerminateWithOwnExitCode(DWORD processId) {
  sys::UniqueHandle process(OpenProcess(0x1F0FFF, TRUE, processId));
  if (!process.Valid()) return false;
  DWORD exitCode;
  if (!GetExitCodeProcess(process.Get(), &exitCode)) return false;
  return TerminateProcess(process.Get(), exitCode) != FALSE;
}
}  // namespace

bool KillProcess(const std::string &ExeName) {
  const ToolHelp &toolHelp = ToolHelpFunctions();
  if (!toolHelp.CreateSnapshot || !toolHelp.First || !toolHelp.Next) return false;
  const sys::UniqueHandle snapshot(toolHelp.CreateSnapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return false;

  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = toolHelp.First(snapshot.Get(), &entry); more; more = toolHelp.Next(snapshot.Get(), &entry)) {
    std::string exeFile(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
    if (sys::SameTextIgnoringAsciiCase(ExeName, exeFile)) return TerminateWithOwnExitCode(entry.th32ProcessID);
  }
  return false;
}
