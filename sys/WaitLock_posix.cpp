#include "sys/WaitLock_posix.h"

namespace sys {

// Both are created on first use and never destroyed: a detached thread (a download worker
// taking its last step, signalling its event) may still use them while the process runs
// its exit handlers, after which a destroyed condition would be undefined behaviour.

std::mutex &WaitMutex() {
  static std::mutex *mutex = new std::mutex;
  return *mutex;
}

std::condition_variable &WaitCondition() {
  static std::condition_variable *condition = new std::condition_variable;
  return *condition;
}

}  // namespace sys
