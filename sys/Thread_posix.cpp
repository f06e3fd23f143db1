#include "sys/Thread.h"

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>

namespace sys {

struct Thread::Impl {
  pthread_t handle;
};

void Thread::ImplDeleter::operator()(Impl *impl) const { delete impl; }

namespace {
void *RunRoutine(void *arg) {
  std::unique_ptr<Thread::Routine> routine(static_cast<Thread::Routine *>(arg));
  (*routine)();
  return nullptr;
}
}  // namespace

Thread Thread::Start(Routine routine) {
  auto *arg = new Routine(std::move(routine));
  pthread_t handle;
  if (pthread_create(&handle, nullptr, RunRoutine, arg) != 0) {
    delete arg;
    return Thread();
  }
  Thread thread;
  thread.impl_.reset(new Impl{handle});
  return thread;
}

void Thread::Join() {
  if (!impl_) return;
  pthread_join(impl_->handle, nullptr);
  impl_.reset();
}

void Thread::Close() {
  if (!impl_) return;
  pthread_detach(impl_->handle);
  impl_.reset();
}

ThreadId CurrentThreadId() {
  // Small process-unique numbers, never reused, so a message posted to a thread that
  // has ended can never reach a newer one.
  static std::atomic<ThreadId> next{1};
  thread_local ThreadId id = next++;
  return id;
}

void SleepMs(unsigned ms) {
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

FineTimerResolution::FineTimerResolution() = default;
FineTimerResolution::~FineTimerResolution() = default;

}  // namespace sys
