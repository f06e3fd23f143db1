#include "sys/Thread.h"
#include "sys/Handle.h"

#include <windows.h>
#include <mmsystem.h>

namespace sys {

struct Thread::Impl {
  UniqueHandle handle;
};

void Thread::ImplDeleter::operator()(Impl *impl) const { delete impl; }

namespace {
DWORD WINAPI RunRoutine(LPVOID arg) {
  std::unique_ptr<Thread::Routine> routine(static_cast<Thread::Routine *>(arg));
  (*routine)();
  return 0;
}
}  // namespace

Thread Thread::Start(Routine routine) {
  auto *arg = new Routine(std::move(routine));
  HANDLE handle = CreateThread(nullptr, 0, RunRoutine, arg, 0, nullptr);
  if (!handle) {
    delete arg;
    return Thread();
  }
  Thread thread;
  thread.impl_.reset(new Impl{UniqueHandle(handle)});
  return thread;
}

void Thread::Join() {
  if (!impl_) return;
  WaitForSingleObject(impl_->handle.Get(), INFINITE);
  Close();
}

void Thread::Close() { impl_.reset(); }

ThreadId CurrentThreadId() { return GetCurrentThreadId(); }

void SleepMs(unsigned ms) { Sleep(ms); }

FineTimerResolution::FineTimerResolution() { timeBeginPeriod(1); }
FineTimerResolution::~FineTimerResolution() { timeEndPeriod(1); }

}  // namespace sys
