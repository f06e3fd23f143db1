#include "sys/Event.h"
#include "sys/EventState_win32.h"

namespace sys {

Event::Event(Mode mode, bool initiallySignalled)
    : state_(new State{UniqueHandle(CreateEventA(nullptr, mode == Mode::ManualReset, initiallySignalled, nullptr))}) {}

Event::~Event() = default;

void Event::Set() { SetEvent(state_->handle.Get()); }

void Event::Reset() { ResetEvent(state_->handle.Get()); }

bool Event::Wait(int timeoutMs) {
  return WaitForSingleObject(state_->handle.Get(), timeoutMs < 0 ? INFINITE : DWORD(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace sys
