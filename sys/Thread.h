#pragma once
#include "sys/Platform.h"

#include <functional>
#include <memory>

namespace sys {

// Owner of one OS thread's handle. Closing the handle (Close or the destructor) does not
// stop the thread: it runs on detached, as a Win32 thread does once its handle is closed.
class Thread {
 public:
  using Routine = std::function<void()>;

  Thread();
  ~Thread();
  Thread(Thread &&other) noexcept;
  Thread &operator=(Thread &&other) noexcept;
  Thread(const Thread &) = delete;
  Thread &operator=(const Thread &) = delete;

  // Starts routine on a new thread (CreateThread / pthread_create). Returns an empty
  // Thread when the system cannot create one; the routine is then not run.
  static Thread Start(Routine routine);

  bool Valid() const { return impl_ != nullptr; }
  // Waits for the thread to end, then closes the handle.
  void Join();
  // Closes the handle and lets the thread run on.
  void Close();

  struct Impl;
  // Frees an Impl, which each platform completes; the moves and the destructor are then
  // the same code on every platform.
  struct ImplDeleter {
    void operator()(Impl *impl) const;
  };

 private:
  std::unique_ptr<Impl, ImplDeleter> impl_;
};

// Identifies a thread for posting messages to its queue.
using ThreadId = std::uint64_t;
ThreadId CurrentThreadId();

// Blocks the calling thread for about ms milliseconds.
void SleepMs(unsigned ms);

// Asks for 1 ms timer resolution while alive (timeBeginPeriod on Windows, where the
// default resolution would stretch Sleep(1) to about 15 ms; nothing to do on POSIX).
class FineTimerResolution {
 public:
  FineTimerResolution();
  ~FineTimerResolution();
  FineTimerResolution(const FineTimerResolution &) = delete;
  FineTimerResolution &operator=(const FineTimerResolution &) = delete;
};

}  // namespace sys
