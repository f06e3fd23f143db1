#include "sys/Event.h"
#include "sys/EventState_posix.h"
#include "sys/WaitLock_posix.h"

#include <chrono>

namespace sys {

Event::Event(Mode mode, bool initiallySignalled) : state_(new State{mode, initiallySignalled}) {}

Event::~Event() = default;

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(WaitMutex());
    state_->signalled = true;
  }
  WaitCondition().notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(WaitMutex());
  state_->signalled = false;
}

bool Event::Wait(int timeoutMs) {
  std::unique_lock<std::mutex> lock(WaitMutex());
  auto signalled = [this] { return state_->signalled; };
  if (timeoutMs < 0) {
    WaitCondition().wait(lock, signalled);
  } else if (!WaitCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  if (state_->mode == Mode::AutoReset) state_->signalled = false;
  return true;
}

}  // namespace sys
