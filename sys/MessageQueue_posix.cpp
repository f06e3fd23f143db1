#include "sys/MessageQueue.h"
#include "sys/EventState_posix.h"
#include "sys/WaitLock_posix.h"

#include <chrono>
#include <deque>
#include <map>

namespace sys {

namespace {

struct Message {
  bool quit;
  int exitCode;
  Task task;
};

using Queue = std::deque<Message>;

// Every live thread's queue, keyed by thread id; guarded by WaitMutex().
std::map<ThreadId, Queue> &Queues() {
  static std::map<ThreadId, Queue> queues;
  return queues;
}

// A thread's queue exists from its first use of the queue functions to its end; messages
// left in it then are dropped, as Windows drops a dead thread's queue.
struct QueueLifetime {
  ThreadId id = 0;
  ~QueueLifetime() {
    if (!id) return;
    Queue dropped;
    {
      std::lock_guard<std::mutex> lock(WaitMutex());
      auto it = Queues().find(id);
      if (it == Queues().end()) return;
      dropped.swap(it->second);
      Queues().erase(it);
    }
  }
};

// The calling thread's queue; the caller holds WaitMutex().
Queue &OwnQueueLocked() {
  thread_local QueueLifetime lifetime;
  if (!lifetime.id) lifetime.id = CurrentThreadId();
  return Queues()[lifetime.id];
}

bool Post(ThreadId target, Message message) {
  {
    std::lock_guard<std::mutex> lock(WaitMutex());
    Queue *queue = nullptr;
    if (target == CurrentThreadId()) {
      queue = &OwnQueueLocked();
    } else {
      auto it = Queues().find(target);
      if (it == Queues().end()) return false;
      queue = &it->second;
    }
    queue->push_back(std::move(message));
  }
  WaitCondition().notify_all();
  return true;
}

}  // namespace

void CreateMessageQueue() {
  std::lock_guard<std::mutex> lock(WaitMutex());
  OwnQueueLocked();
}

bool PostTask(ThreadId target, Task task) { return Post(target, Message{false, 0, std::move(task)}); }

void PostQuit(int exitCode) { Post(CurrentThreadId(), Message{true, exitCode, nullptr}); }

WaitResult WaitForEventOrMessage(Event &event, int timeoutMs) {
  std::unique_lock<std::mutex> lock(WaitMutex());
  Queue &queue = OwnQueueLocked();
  Event::State &state = event.state();
  auto ready = [&] { return state.signalled || !queue.empty(); };
  if (timeoutMs < 0) {
    WaitCondition().wait(lock, ready);
  } else if (!WaitCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return WaitResult::TimedOut;
  }
  if (state.signalled) {
    if (state.mode == Event::Mode::AutoReset) state.signalled = false;
    return WaitResult::Signalled;
  }
  return WaitResult::MessageArrived;
}

DispatchResult DispatchOneMessage(int *quitCode) {
  Message message;
  {
    std::lock_guard<std::mutex> lock(WaitMutex());
    Queue &queue = OwnQueueLocked();
    if (queue.empty()) return DispatchResult::Empty;
    message = std::move(queue.front());
    queue.pop_front();
  }
  if (message.quit) {
    if (quitCode) *quitCode = message.exitCode;
    return DispatchResult::Quit;
  }
  message.task();
  return DispatchResult::Dispatched;
}

int RunMessageLoop() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(WaitMutex());
      Queue &queue = OwnQueueLocked();
      WaitCondition().wait(lock, [&] { return !queue.empty(); });
    }
    int exitCode = 0;
    if (DispatchOneMessage(&exitCode) == DispatchResult::Quit) return exitCode;
  }
}

}  // namespace sys
