#pragma once
// The Win32 side of sys::Event, shared by the event itself and the message wait.
#include "sys/Event.h"
#include "sys/Handle.h"

#include <windows.h>

namespace sys {
struct Event::State {
  UniqueHandle handle;
};
}  // namespace sys
