#include "sys/Thread.h"

#include <windows.h>
#include <mmsystem.h>

namespace sys {

struct Thread::Impl {
  HANDLE handle;
};

namespace {
DWORD WINAPI RunRoutine(LPVOID arg) {
  std::unique_ptr<Thread::Routine> routine(static_cast<Thread::Routine *>(arg));
  (*routine)();
  return 0;
}
}  // namespace

Thread::Thread() = default;
Thread::~Thread() { Close(); }
Thread::Thread(Thread &&other) noexcept = default;
Thread &Thread::operator=(Thread &&other) noexcept {
  if (this != &other) {
    Close();
    impl_ = std::move(other.impl_);
  }
  return *this;
}

Thread Thread::Start(Routine routine) {
  auto *arg = new Routine(std::move(routine));
  HANDLE handle = CreateThread(nullptr, 0, RunRoutine, arg, 0, nullptr);
  if (!handle) {
    delete arg;
    return Thread();
  }
  Thread thread;
  thread.impl_.reset(new Impl{handle});
  return thread;
}

void Thread::Join() {
  if (!impl_) return;
  WaitForSingleObject(impl_->handle, INFINITE);
  Close();
}

void Thread::Close() {
  if (!impl_) return;
  CloseHandle(impl_->handle);
  impl_.reset();
}

ThreadId CurrentThreadId() { return GetCurrentThreadId(); }

void SleepMs(unsigned ms) { Sleep(ms); }

FineTimerResolution::FineTimerResolution() { timeBeginPeriod(1); }
FineTimerResolution::~FineTimerResolution() { timeEndPeriod(1); }

}  // namespace sys
