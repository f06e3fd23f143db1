#pragma once
#include "sys/Platform.h"

#include <memory>

namespace sys {

// A kernel-style event: manual reset (stays signalled until reset) or auto reset (one
// successful wait consumes the signal). On Windows it is a CreateEventA event; on POSIX it
// is a flag under the process-wide wait lock shared with the message queues, so that one
// wait can watch an event and the calling thread's queue together.
class Event {
 public:
  enum class Mode { ManualReset, AutoReset };

  explicit Event(Mode mode, bool initiallySignalled = false);
  ~Event();
  Event(const Event &) = delete;
  Event &operator=(const Event &) = delete;

  void Set();
  void Reset();
  // Waits up to timeoutMs (kInfiniteWait for no limit); true when the event was signalled.
  bool Wait(int timeoutMs);

  struct State;
  State &state() { return *state_; }

 private:
  std::unique_ptr<State> state_;
};

inline constexpr int kInfiniteWait = -1;

}  // namespace sys
