#pragma once
// The POSIX side of sys::Event, shared by the event itself and the message wait. Both
// fields are guarded by WaitMutex().
#include "sys/Event.h"

namespace sys {
struct Event::State {
  Mode mode;
  bool signalled;
};
}  // namespace sys
