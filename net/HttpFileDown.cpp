#include "net/HttpFileDown.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "crypto/Sha256.h"
#include "net/HttpHeaderReader.h"
#include "net/HttpText.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/MessageQueue.h"
#include "sys/TextCase.h"

using namespace net;

namespace {

const char kUserAgentLine[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n";
const char kHttpPrefix[] = "http://";
const std::size_t kHttpPrefixLength = sizeof kHttpPrefix - 1;

}  // namespace

THttpFileDown::THttpFileDown(WorkerStarter StartWorker)
    : FDoneEvent(std::make_shared<sys::Event>(sys::Event::Mode::AutoReset)), FStartWorker(std::move(StartWorker)) {}

THttpFileDown::~THttpFileDown() {
  // From here on Start launches nothing, so the number of workers can only fall.
  FDestroying = true;
  FAbort = true;
  // Each worker signals FDoneEvent after its last step on this object; a signal left by
  // an earlier job only makes us look at the count again.
  sys::WaitDispatchingMessages(*FDoneEvent, sys::kInfiniteWait, [this] { return FWorkers == 0; });
  FDoneEvent->Reset();
  SetConnected(false);
}

void THttpFileDown::SetUrl(const std::string &Value) {
  if (FConnected || FBusy) return;
  FUrl = Value;
}

void THttpFileDown::ParseHost() {
  FHost.clear();
  // Written only when trimming changes it, so that the worker's second parse of an
  // already trimmed URL never writes while the owner reads Url().
  std::string trimmed = TrimBlanks(FUrl);
  if (trimmed != FUrl) FUrl = trimmed;
  if (StartsWith(sys::LowerAscii(FUrl), kHttpPrefix)) FHost = FUrl.substr(kHttpPrefixLength);
  std::size_t slash = FHost.find('/');
  if (slash != std::string::npos) FHost.resize(slash);
}

void THttpFileDown::ParsePath() {
  FPath.clear();
  std::string trimmed = TrimBlanks(FUrl);
  if (trimmed != FUrl) FUrl = trimmed;
  if (StartsWith(sys::LowerAscii(FUrl), kHttpPrefix)) FPath = FUrl.substr(kHttpPrefixLength);
  // Everything after the host's "/"; a URL with nothing after the host asks for "/".
  std::size_t slash = FPath.find('/');
  FPath = slash == std::string::npos ? std::string() : FPath.substr(slash + 1);
}

void THttpFileDown::Validate() {
  ParseHost();
  ParsePath();
  if (FUrl.empty()) throw sys::Error("Invalid Url : " + FUrl + "!");
  if (FHost.empty()) throw sys::Error("Invalid Host : " + FHost + "!");
  if (FPort <= 0) throw sys::Error("Invalid Port : " + std::to_string(FPort) + "!");
}

void THttpFileDown::SetConnected(bool Value) {
  if (Value == FConnected) return;
  if (!Value) {
    FSocket.ShutdownAndClose();
    FConnected = false;
    return;
  }
  Validate();
  FSocket = sys::Socket::CreateTcp();
  // A name that does not resolve is a failed connection; there is no fallback address.
  std::uint32_t address = 0;
  if (!sys::ResolveIPv4(FHost, &address) || !FSocket.Connect(address, std::uint16_t(FPort), FTimeLimits.ConnectMs) ||
      !FSocket.SetTimeouts(FTimeLimits.ReceiveMs, FTimeLimits.SendMs)) {
    FSocket.Close();
    return;
  }
  FConnected = true;
}

void THttpFileDown::SendRequest(const std::string &Request) {
  // A failed send shows as a failed or empty answer, so its result is not needed here.
  FSocket.SendAll(Request.data(), int(Request.size()));
}

void THttpFileDown::ProbeSize() {
  FFileSize = 0;
  SetConnected(false);
  SetConnected(true);
  if (FConnected) {
    SendRequest("HEAD /" + EncodeRequestTarget(FPath) + " HTTP/1.1\r\nAccept: */*\r\n" + kUserAgentLine +
                "RANGE: bytes=0-\r\nHost: " + FHost + "\r\n\r\n");
    std::memset(FBuffer, 0, sizeof FBuffer);
    // One receive only: the answer is what it brought, up to its first zero byte.
    FSocket.Recv(FBuffer, kBufferSize);
    const void *end = std::memchr(FBuffer, 0, kBufferSize);
    std::size_t length = end ? std::size_t(static_cast<const char *>(end) - FBuffer) : std::size_t(kBufferSize);
    FFileSize = ScanContentLength(std::string(FBuffer, length));
  }
  DoFileSize(FFileSize);
}

void THttpFileDown::Start() {
  if (FBusy || FDestroying) return;
  ProbeSize();
  FRangeAccepted = false;
  FRangeWhole = false;
  FAbort = false;
  FLastJobComplete = false;
  FLastJobRefusedBody = false;
  // Counted before looking at FDestroying again: either the destructor sees this worker
  // and waits for it, or this sees the destruction and launches nothing.
  ++FWorkers;
  if (FDestroying) {
    --FWorkers;
    FDoneEvent->Set();
    return;
  }
  FBusy = true;
  std::shared_ptr<sys::Event> done = FDoneEvent;
  FThread = FStartWorker([this, done] { DownloadWorker(done); });
  if (!FThread.Valid()) {
    // No worker: the attempt ends here as a failed one, so the downloader is not left
    // busy with nobody to finish the job.
    FinishJob(false, *done);
    return;
  }
  FThreadStored.Set();
}

void THttpFileDown::DownloadWorker(std::shared_ptr<sys::Event> DoneEvent) {
  FThreadStored.Wait(sys::kInfiniteWait);
  bool complete = false;
  try {
    FContentLength = 0;
    SetConnected(false);
    SetConnected(true);
    bool headersComplete = false;
    if (FConnected) {
      SendRequest("GET /" + EncodeRequestTarget(FPath) + " HTTP/1.1\r\nReferer: " + EncodeRequestTarget(FUrl) +
                  "\r\nAccept: */*\r\n" + kUserAgentLine + "RANGE: bytes=" + std::to_string(FRangeStart) +
                  "-\r\nHost: " + FHost + "\r\n\r\n");
      headersComplete = ReadHeaders();
    }
    FReceived = 0;
    if (headersComplete && FRangeAccepted && FContentLength > 0) complete = ReceiveBody();
  } catch (...) {
    // An error from an OnDowning handler must not leave the thread: the attempt fails and
    // the job still ends as every job does.
    complete = false;
  }
  FinishJob(complete, *DoneEvent);
}

bool THttpFileDown::ReadHeaders() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(FTimeLimits.HeaderPhaseMs);
  int receiveLimit = FTimeLimits.ReceiveMs;
  HttpHeaderReader reader(FRangeStart);
  HttpHeaderReader::Step step = HttpHeaderReader::Step::NeedMore;
  while (step == HttpHeaderReader::Step::NeedMore) {
    // Each receive is bounded by what is left of the header phase, so that a server
    // dripping bytes cannot stretch the phase.
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    if (left < receiveLimit) {
      receiveLimit = int(left);
      FSocket.SetTimeouts(receiveLimit, FTimeLimits.SendMs);
    }
    char byte;
    if (FSocket.Recv(&byte, 1) <= 0) break;
    step = reader.Take(byte);
  }
  FRangeAccepted = reader.RangeAccepted();
  FRangeWhole = reader.RangeIsWhole();
  FContentLength = reader.ContentLength();
  if (receiveLimit != FTimeLimits.ReceiveMs) FSocket.SetTimeouts(FTimeLimits.ReceiveMs, FTimeLimits.SendMs);
  return step == HttpHeaderReader::Step::Complete;
}

bool THttpFileDown::ReceiveBody() {
  std::string dir = sys::ExtractFileDir(FLocalFile);
  if (!dir.empty() && !sys::DirectoryExists(dir)) sys::ForceDirectories(dir);
  sys::OutputFile file;
  // When the file cannot be created the body is still received and reported.
  bool stored = file.Create(FLocalFile);
  sys::FineTimerResolution fineTimer;
  const bool limited = FBodyRule.MaxSize >= 0;
  crypto::Sha256 hash;
  while (FConnected && !FAbort) {
    // A known size is all that is stored: a server that sends more, or never stops,
    // cannot fill the disk.
    const std::int64_t room = limited ? FBodyRule.MaxSize - FReceived : kBufferSize;
    if (room <= 0) break;
    int n = FSocket.Recv(FBuffer, int(std::min<std::int64_t>(room, kBufferSize)));
    if (n < 0) {
      FErrorCode = 9999;
      break;
    }
    if (n == 0) break;
    if (stored) stored = file.Write(FBuffer, std::size_t(n));
    if (FBodyRule.HashKnown) hash.Update(FBuffer, std::size_t(n));
    FReceived += n;
    DoDowning(int(std::min<std::int64_t>(FReceived, INT32_MAX)), FContentLength, std::string());
    if (FReceived >= FContentLength) break;
    // A pause after every chunk, as designed: it keeps the transfer gentle on the server.
    sys::SleepMs(1);
  }
  // A longer body than announced is kept whole but is not the announced file, and a
  // range short of the file's end is only a part of it. A signed file is whole only with
  // its signed size and hash.
  const bool whole = stored && FReceived == FContentLength && FRangeWhole;
  if (!FBodyRule.HashKnown) return whole;
  const bool matches = FReceived == FBodyRule.MaxSize && hash.Finish() == FBodyRule.Sha256;
  FLastJobRefusedBody = FContentLength != FBodyRule.MaxSize || (FReceived == FContentLength && !matches);
  return whole && matches;
}

void THttpFileDown::FinishJob(bool Complete, sys::Event &DoneEvent) {
  SetConnected(false);
  FLastJobComplete = Complete;
  FBusy = false;
  FThread.Close();
  try {
    DoDowned();
  } catch (...) {
    // Nothing may leave the worker; a failed Start from the handler stays the handler's.
  }
  // The last step on this object; DoneEvent is shared with the worker and outlives it.
  --FWorkers;
  DoneEvent.Set();
}

void THttpFileDown::DoFileSize(int Size) {
  if (OnFileSize) OnFileSize(this, Size);
}

void THttpFileDown::DoDowning(int CurSize, int TotSize, const std::string &Speed) {
  if (OnDowning) OnDowning(this, CurSize, TotSize, Speed);
}

void THttpFileDown::DoDowned() {
  if (OnDowned) OnDowned(this);
}
