#include "sys/WaitLock_posix.h"

namespace sys {

std::mutex &WaitMutex() {
  static std::mutex mutex;
  return mutex;
}

std::condition_variable &WaitCondition() {
  static std::condition_variable condition;
  return condition;
}

}  // namespace sys
