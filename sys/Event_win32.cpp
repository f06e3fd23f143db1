#include "sys/Event.h"
#include "sys/EventState_win32.h"

namespace sys {

Event::Event(Mode mode, bool initiallySignalled)
    : state_(new State{CreateEventA(nullptr, mode == Mode::ManualReset, initiallySignalled, nullptr)}) {}

Event::~Event() {
  if (state_->handle) CloseHandle(state_->handle);
}

void Event::Set() { SetEvent(state_->handle); }

void Event::Reset() { ResetEvent(state_->handle); }

bool Event::Wait(int timeoutMs) {
  return WaitForSingleObject(state_->handle, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace sys
