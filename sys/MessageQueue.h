#pragma once
#include "sys/Event.h"
#include "sys/Thread.h"

#include <functional>

namespace sys {

// Each thread has a queue of posted messages. On Windows it is the thread's Win32 message
// queue (window messages, posted thread messages, WM_QUIT); on POSIX it is a queue kept
// here that holds posted tasks and the quit request. Waits that must keep a window live
// (the engine's check, the downloader's destructor) watch the queue and dispatch it.

using Task = std::function<void()>;

// Gives the calling thread its queue now, so that other threads can post to it before it
// first waits (Windows creates a thread's queue on its first message call).
void CreateMessageQueue();

// Queues task to run on thread `target` when that thread dispatches its messages.
// Returns false when the thread cannot take messages.
bool PostTask(ThreadId target, Task task);

// Queues a quit request with exitCode on the calling thread's queue (PostQuitMessage).
void PostQuit(int exitCode);

enum class WaitResult { Signalled, MessageArrived, TimedOut };

// Waits until `event` is signalled, a message arrives for the calling thread, or
// timeoutMs (kInfiniteWait for none) passes. On Windows this is MsgWaitForMultipleObjects
// with wake mask 255. An auto-reset event is consumed when the result is Signalled.
WaitResult WaitForEventOrMessage(Event &event, int timeoutMs);

enum class DispatchResult { Empty, Dispatched, Quit };

// Removes one message from the calling thread's queue and dispatches it without
// keyboard translation (PeekMessageA + DispatchMessageA). A quit request is removed but
// not dispatched: the result is Quit and *quitCode receives its exit code.
DispatchResult DispatchOneMessage(int *quitCode = nullptr);

// Dispatches the calling thread's messages until a quit request; returns its exit code.
int RunMessageLoop();

// Waits, keeping the calling thread's windows live, until `event` is signalled, or with
// `done` given, until done() holds (each signal of `event` makes it ask again). Messages
// that arrive meanwhile are dispatched one by one; each wait for the next lasts at most
// sliceMs (kInfiniteWait for no limit), after which it simply starts again. A quit
// request taken off the queue belongs to the thread's own message loop: it is posted
// again when the wait ends, so that loop still sees it.
void WaitDispatchingMessages(Event &event, int sliceMs, const std::function<bool()> &done = {});

}  // namespace sys
