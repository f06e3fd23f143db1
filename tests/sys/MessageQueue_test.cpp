#include "sys/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

// Every wait below has a generous bound that fails the test instead of hanging it.
constexpr int kGenerous = 10000;

TEST(Event, AutoResetIsConsumedByOneWait) {
  sys::Event event(sys::Event::Mode::AutoReset);
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
  sys::Event event(sys::Event::Mode::ManualReset, true);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, SetFromAnotherThreadEndsTheWait) {
  sys::Event event(sys::Event::Mode::AutoReset);
  sys::Thread setter = sys::Thread::Start([&] { event.Set(); });
  ASSERT_TRUE(setter.Valid());
  EXPECT_TRUE(event.Wait(kGenerous));
  setter.Join();
}

TEST(MessageWait, SignalledEventEndsTheWait) {
  sys::CreateMessageQueue();
  sys::Event event(sys::Event::Mode::ManualReset);
  sys::Thread setter = sys::Thread::Start([&] { event.Set(); });
  EXPECT_EQ(sys::WaitForEventOrMessage(event, kGenerous), sys::WaitResult::Signalled);
  setter.Join();
}

TEST(MessageWait, AutoResetEventIsConsumedByTheWait) {
  sys::CreateMessageQueue();
  sys::Event event(sys::Event::Mode::AutoReset, true);
  EXPECT_EQ(sys::WaitForEventOrMessage(event, 0), sys::WaitResult::Signalled);
  EXPECT_FALSE(event.Wait(0));
}

TEST(MessageWait, TimesOutWithoutEventOrMessage) {
  sys::CreateMessageQueue();
  sys::Event event(sys::Event::Mode::ManualReset);
  EXPECT_EQ(sys::WaitForEventOrMessage(event, 20), sys::WaitResult::TimedOut);
  EXPECT_EQ(sys::DispatchOneMessage(), sys::DispatchResult::Empty);
}

TEST(MessageWait, MessagePostedFromAnotherThreadIsDispatchedOnTheWaitingThread) {
  sys::CreateMessageQueue();
  const sys::ThreadId self = sys::CurrentThreadId();
  sys::Event event(sys::Event::Mode::ManualReset);
  std::atomic<bool> posted{false};
  sys::ThreadId ranOn = 0;
  sys::Thread poster =
      sys::Thread::Start([&] { posted = sys::PostTask(self, [&] { ranOn = sys::CurrentThreadId(); }); });
  poster.Join();
  ASSERT_TRUE(posted);
  ASSERT_EQ(sys::WaitForEventOrMessage(event, kGenerous), sys::WaitResult::MessageArrived);
  EXPECT_EQ(sys::DispatchOneMessage(), sys::DispatchResult::Dispatched);
  EXPECT_EQ(ranOn, self);
  EXPECT_EQ(sys::DispatchOneMessage(), sys::DispatchResult::Empty);
}

TEST(MessageWait, QuitIsTakenOffButNotDispatched) {
  sys::CreateMessageQueue();
  std::vector<int> order;
  sys::PostTask(sys::CurrentThreadId(), [&] { order.push_back(1); });
  sys::PostQuit(7);
  int code = 0;
  EXPECT_EQ(sys::DispatchOneMessage(&code), sys::DispatchResult::Dispatched);
  EXPECT_EQ(sys::DispatchOneMessage(&code), sys::DispatchResult::Quit);
  EXPECT_EQ(code, 7);
  EXPECT_EQ(order, std::vector<int>{1});
  EXPECT_EQ(sys::DispatchOneMessage(&code), sys::DispatchResult::Empty);
}

TEST(MessageWait, MessageLoopRunsTasksInOrderUntilQuit) {
  sys::CreateMessageQueue();
  std::vector<int> order;
  const sys::ThreadId self = sys::CurrentThreadId();
  sys::Thread poster = sys::Thread::Start([&] {
    sys::PostTask(self, [&] { order.push_back(1); });
    sys::PostTask(self, [&] {
      order.push_back(2);
      sys::PostQuit(3);
    });
  });
  EXPECT_EQ(sys::RunMessageLoop(), 3);
  poster.Join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(MessageWait, PostingToAThreadThatHasEndedFails) {
  sys::ThreadId ended = 0;
  sys::Thread worker = sys::Thread::Start([&] {
    sys::CreateMessageQueue();
    ended = sys::CurrentThreadId();
  });
  worker.Join();
  EXPECT_FALSE(sys::PostTask(ended, [] {}));
}

}  // namespace
