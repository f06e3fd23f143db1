// The life of a job: busy, chained jobs, destruction at any moment, no worker.
#include <gtest/gtest.h>

#include <memory>

#include "net/HttpFileDown.h"
#include "sys/FileSystem.h"
#include "sys/MessageQueue.h"
#include "tests/net/DownloadRecorder.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestDir.h"

namespace {

using testing_support::DownloadRecorder;
using testing_support::Head;
using testing_support::PatternBody;
using testing_support::RangeHeaders;
using testing_support::ReadWholeFile;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::TestDir;

constexpr int kPatience = 2 * ScriptedServer::kPatienceMs;

// Answers a GET with the head and the first `first` bytes of body, waits until the test
// releases the server, then sends the rest for as long as the client takes it.
ScriptedServer::Handler PausedBody(const std::string &body, std::size_t first) {
  return [body, first](ScriptedConnection &c) {
    c.ReadRequest();
    c.Send(Head(RangeHeaders(body.size())) + body.substr(0, first));
    c.Server().WaitReleased();
    for (std::size_t at = first; at < body.size(); at += 4096) {
      if (!c.Send(body.substr(at, 4096))) return;
    }
  };
}

TEST(HttpFileDownJob, StartAndSetUrlAreIgnoredWhileAJobRuns) {
  TestDir dir;
  const std::string body = PatternBody(20000);
  ScriptedServer server("127.0.0.30",
                        {ScriptedServer::Answer(Head(RangeHeaders(body.size()))), PausedBody(body, 1000)});
  ASSERT_TRUE(server.Listening());
  THttpFileDown down;
  DownloadRecorder recorder(down);
  sys::Event transferring(sys::Event::Mode::ManualReset);
  recorder.onDowning = [&](int) { transferring.Set(); };
  const std::string url = server.Url("busy.bin");
  down.SetUrl(url);
  down.SetLocalFile(dir / "busy.bin");
  down.Start();
  ASSERT_TRUE(transferring.Wait(kPatience));

  // The worker holds its connection open and waits for the rest of the body.
  down.Start();
  down.SetUrl(server.Url("other.bin"));
  EXPECT_EQ(down.Url(), url);
  server.Release();
  ASSERT_TRUE(recorder.WaitDone());
  EXPECT_EQ(ReadWholeFile(dir / "busy.bin"), body);
  EXPECT_TRUE(down.LastJobComplete());
  EXPECT_EQ(recorder.fileSizes.size(), 1u);
  EXPECT_EQ(recorder.downed, 1);
  EXPECT_EQ(server.ConnectionCount(), 2);

  // Idle again: the URL can be changed.
  down.SetUrl(server.Url("other.bin"));
  EXPECT_EQ(down.Url(), server.Url("other.bin"));
}

TEST(HttpFileDownJob, OnDownedCanReadTheFileAndStartTheNextJob) {
  TestDir dir;
  const std::string first = PatternBody(5000), second = PatternBody(300);
  ScriptedServer server("127.0.0.31", {ScriptedServer::Answer(Head(RangeHeaders(first.size()))),
                                       ScriptedServer::Answer(Head(RangeHeaders(first.size())) + first),
                                       ScriptedServer::Answer(Head(RangeHeaders(second.size()))),
                                       ScriptedServer::Answer(Head(RangeHeaders(second.size())) + second)});
  ASSERT_TRUE(server.Listening());
  THttpFileDown down;
  DownloadRecorder recorder(down);
  std::string seenInHandler;
  bool firstComplete = false;
  recorder.onDowned = [&] {
    if (recorder.downed != 1) return;
    firstComplete = down.LastJobComplete();
    seenInHandler = ReadWholeFile(down.LocalFile());
    down.SetUrl(server.Url("second"));
    down.SetLocalFile(dir / "second");
    down.Start();
  };
  down.SetUrl(server.Url("first"));
  down.SetLocalFile(dir / "first");
  down.Start();
  ASSERT_TRUE(recorder.WaitDone());
  ASSERT_TRUE(recorder.WaitDone());
  EXPECT_TRUE(firstComplete);
  EXPECT_EQ(seenInHandler, first);
  EXPECT_EQ(ReadWholeFile(dir / "second"), second);
  EXPECT_TRUE(down.LastJobComplete());
  EXPECT_EQ(recorder.fileSizes, (std::vector<int>{5000, 300}));
  EXPECT_EQ(server.Request(2).substr(0, 13), "HEAD /second ");
}

TEST(HttpFileDownJob, DestructionDuringTheBodyAbortsDispatchesAndKeepsTheQuit) {
  TestDir dir;
  const std::string body = PatternBody(8 << 20);
  ScriptedServer server("127.0.0.32",
                        {ScriptedServer::Answer(Head(RangeHeaders(body.size()))), PausedBody(body, 4096)});
  ASSERT_TRUE(server.Listening());
  auto down = std::make_unique<THttpFileDown>();
  DownloadRecorder recorder(*down);
  sys::Event transferring(sys::Event::Mode::ManualReset);
  recorder.onDowning = [&](int) { transferring.Set(); };
  // A Start from the aborted job's completion must launch nothing.
  THttpFileDown *raw = down.get();
  recorder.onDowned = [raw] { raw->Start(); };
  down->SetUrl(server.Url("huge.bin"));
  down->SetLocalFile(dir / "huge.bin");
  down->Start();
  ASSERT_TRUE(transferring.Wait(kPatience));

  // The worker waits inside a receive until the server goes on, which only a message
  // dispatched by the destructor's wait makes it do.
  sys::CreateMessageQueue();
  bool taskRan = false;
  ASSERT_TRUE(sys::PostTask(sys::CurrentThreadId(), [&] {
    taskRan = true;
    server.Release();
  }));
  sys::PostQuit(7);
  down.reset();

  EXPECT_TRUE(taskRan);
  EXPECT_EQ(recorder.downed, 1);
  EXPECT_EQ(server.ConnectionCount(), 2);
  const std::string kept = ReadWholeFile(dir / "huge.bin");
  EXPECT_GE(kept.size(), 4096u);
  EXPECT_LT(kept.size(), body.size());
  EXPECT_EQ(kept, body.substr(0, kept.size()));
  int code = 0;
  EXPECT_EQ(sys::DispatchOneMessage(&code), sys::DispatchResult::Quit);
  EXPECT_EQ(code, 7);
}

TEST(HttpFileDownJob, DestructionWaitsForAWorkerInsideOnDowned) {
  TestDir dir;
  ScriptedServer server("127.0.0.33", {ScriptedServer::Answer(Head(RangeHeaders(5))),
                                       ScriptedServer::Answer(Head(RangeHeaders(5)) + "hello")});
  ASSERT_TRUE(server.Listening());
  auto down = std::make_unique<THttpFileDown>();
  DownloadRecorder recorder(*down);
  sys::Event inHandler(sys::Event::Mode::ManualReset), letGo(sys::Event::Mode::ManualReset);
  bool handlerFinished = false;
  recorder.onDowned = [&] {
    inHandler.Set();
    letGo.Wait(kPatience);
    handlerFinished = true;
  };
  down->SetUrl(server.Url("tail"));
  down->SetLocalFile(dir / "tail");
  down->Start();
  ASSERT_TRUE(inHandler.Wait(kPatience));
  // The job is no longer busy, but its worker is still on the object.
  sys::CreateMessageQueue();
  ASSERT_TRUE(sys::PostTask(sys::CurrentThreadId(), [&] { letGo.Set(); }));
  down.reset();
  EXPECT_TRUE(handlerFinished);
  EXPECT_EQ(ReadWholeFile(dir / "tail"), "hello");
}

// Freed from one thread while another runs Start's size probe: the job counts from its
// first step, so the destructor waits for the probe, which then starts no transfer and
// ends the job as stopped.
TEST(HttpFileDownJob, DestructionDuringTheSizeProbeWaitsForIt) {
  TestDir dir;
  ScriptedServer server("127.0.0.35", {[](ScriptedConnection &c) {
                                         c.ReadRequest();
                                         c.Server().WaitReleased();
                                       },
                                       ScriptedServer::Answer(Head(RangeHeaders(5)) + "hello")});
  ASSERT_TRUE(server.Listening());
  auto down = std::make_unique<THttpFileDown>();
  THttpFileDown::TimeLimits limits;
  limits.ProbeMs = 500;
  down->SetTimeLimits(limits);
  DownloadRecorder recorder(*down);
  down->SetUrl(server.Url("probe"));
  down->SetLocalFile(dir / "probe");
  std::atomic<bool> started{false};
  sys::Thread starter = sys::Thread::Start([&] { started = down->Start(); });
  ASSERT_TRUE(server.WaitForConnections(1));
  down.reset();
  starter.Join();
  server.Release();
  EXPECT_TRUE(started);
  EXPECT_EQ(recorder.downed, 1);
  EXPECT_EQ(server.ConnectionCount(), 1);
  EXPECT_FALSE(sys::FileExists(dir / "probe"));
}

TEST(HttpFileDownJob, AWorkerThatCannotBeCreatedEndsTheJobAtOnce) {
  TestDir dir;
  ScriptedServer server("127.0.0.34",
                        {ScriptedServer::Answer(Head(RangeHeaders(5))), ScriptedServer::Answer(Head(RangeHeaders(5)))});
  ASSERT_TRUE(server.Listening());
  // The system refuses every thread.
  auto down = std::make_unique<THttpFileDown>([](sys::Thread::Routine) { return sys::Thread(); });
  DownloadRecorder recorder(*down);
  down->SetUrl(server.Url("none"));
  down->SetLocalFile(dir / "none");
  down->Start();
  EXPECT_EQ(recorder.downed, 1);
  EXPECT_FALSE(down->LastJobComplete());
  // Not left busy: the next Start probes again.
  down->Start();
  EXPECT_EQ(recorder.fileSizes, (std::vector<int>{5, 5}));
  EXPECT_EQ(recorder.downed, 2);
  EXPECT_FALSE(sys::FileExists(dir / "none"));

  // An idle downloader's destructor leaves the caller's messages alone.
  sys::CreateMessageQueue();
  bool taskRan = false;
  ASSERT_TRUE(sys::PostTask(sys::CurrentThreadId(), [&] { taskRan = true; }));
  down.reset();
  EXPECT_FALSE(taskRan);
  EXPECT_EQ(sys::DispatchOneMessage(), sys::DispatchResult::Dispatched);
  EXPECT_TRUE(taskRan);
}

}  // namespace
