#include "sys/MessageQueue.h"
#include "sys/EventState_win32.h"

#include <windows.h>

namespace sys {

namespace {

// A posted task travels as a thread message whose lParam owns a heap copy of the task.
constexpr UINT kTaskMessage = WM_APP + 0x3A1;

// Wake for keyboard, mouse movement and buttons, posted, timer, paint, sent and hot-key
// messages: QS_ALLINPUT without raw input.
constexpr DWORD kWakeMask = 255;

// Runs a task message; true when msg was one.
bool RunIfTask(const MSG &msg) {
  if (msg.hwnd != nullptr || msg.message != kTaskMessage) return false;
  std::unique_ptr<Task> task(reinterpret_cast<Task *>(msg.lParam));
  (*task)();
  return true;
}

}  // namespace

void CreateMessageQueue() {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

bool PostTask(ThreadId target, Task task) {
  auto *owned = new Task(std::move(task));
  if (PostThreadMessageA(DWORD(target), kTaskMessage, 0, reinterpret_cast<LPARAM>(owned))) return true;
  delete owned;
  return false;
}

void PostQuit(int exitCode) { PostQuitMessage(exitCode); }

WaitResult WaitForEventOrMessage(Event &event, int timeoutMs) {
  HANDLE handle = event.state().handle.Get();
  switch (MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs), kWakeMask)) {
    case WAIT_OBJECT_0:
      return WaitResult::Signalled;
    case WAIT_OBJECT_0 + 1:
      return WaitResult::MessageArrived;
    default:
      return WaitResult::TimedOut;
  }
}

DispatchResult DispatchOneMessage(int *quitCode) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return DispatchResult::Empty;
  if (msg.message == WM_QUIT) {
    if (quitCode) *quitCode = int(msg.wParam);
    return DispatchResult::Quit;
  }
  if (!RunIfTask(msg)) DispatchMessageA(&msg);
  return DispatchResult::Dispatched;
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (RunIfTask(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return int(msg.wParam);
}

}  // namespace sys
