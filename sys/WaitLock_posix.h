#pragma once
// One lock and one condition for every POSIX event and message queue of the process, so
// that a thread can wait for "this event or a message for me" in a single wait. Events
// and queues change rarely (once per job or message), so sharing costs nothing.
#include <condition_variable>
#include <mutex>

namespace sys {
std::mutex &WaitMutex();
std::condition_variable &WaitCondition();
}  // namespace sys
