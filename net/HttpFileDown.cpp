#include "net/HttpFileDown.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "crypto/Encoding.h"
#include "crypto/Sha256.h"
#include "net/HttpHeaderReader.h"
#include "net/HttpText.h"
#include "net/TransferRate.h"
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
  // Written only when trimming changes it, so that the worker's second parse of an
  // already trimmed URL never writes while the owner reads Url().
  std::string trimmed = TrimBlanks(FUrl);
  if (trimmed != FUrl) FUrl = trimmed;
  FHost = HttpUrlHost(FUrl);
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

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from now to deadline, at most limitMs; 0 or less once it has passed.
int MsLeft(THttpFileDown::TDeadline deadline, int limitMs) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return int(std::min<long long>(left, limitMs));
}

// Why the calling thread's last call failed. A call that ran out of time says so in our
// words: the system's words for it speak of a connection attempt on Windows and of a
// resource on POSIX.
std::string SystemReason() {
  return sys::Socket::LastCallTimedOut() ? "the time allowed ran out" : sys::LastErrorText();
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

void THttpFileDown::Fail(TTransferFailure::Step step, const std::string &reason) {
  // The first failure is the cause; what follows from it adds nothing.
  if (FFailure.Failed()) return;
  FFailure.FailedStep = step;
  // A proxy in the way is what failed to connect or answer: its address, never its
  // credentials.
  FFailure.ThroughProxy = step != TTransferFailure::Step::kStore && !FProxy.Direct();
  FFailure.Target = step == TTransferFailure::Step::kStore ? FLocalFile
                    : FFailure.ThroughProxy                ? FProxy.Host + ":" + std::to_string(FProxy.Port)
                                                           : FHost + ":" + std::to_string(FPort);
  FFailure.Reason = reason;
}

void THttpFileDown::FailWithSystemReason(TTransferFailure::Step step) { Fail(step, SystemReason()); }

void THttpFileDown::SetConnected(bool Value, TDeadline deadline) {
  if (Value == FConnected) return;
  if (!Value) {
    FSocket.ShutdownAndClose();
    FConnected = false;
    return;
  }
  Validate();
  FSocket = sys::Socket::CreateTcp();
  if (!FSocket.Valid()) {
    FailWithSystemReason(TTransferFailure::Step::kConnect);
    return;
  }
  // A name that does not resolve is a failed connection; there is no fallback address.
  // The look-up is the system's, bounded by its resolver's own time-outs; the connection
  // gets what is left after it.
  std::uint32_t address = 0;
  // Through a proxy, the connection goes to the proxy, which looks the host up itself.
  const std::string &host = FProxy.Direct() ? FHost : FProxy.Host;
  const int port = FProxy.Direct() ? FPort : FProxy.Port;
  if (!sys::ResolveIPv4(host, &address)) {
    Fail(TTransferFailure::Step::kResolve, "the name does not resolve");
    FSocket.Close();
    return;
  }
  const int connectMs = MsLeft(deadline, FTimeLimits.ConnectMs);
  if (connectMs <= 0) {
    Fail(TTransferFailure::Step::kConnect, "no time was left to connect");
    FSocket.Close();
    return;
  }
  if (!FSocket.Connect(address, std::uint16_t(port), connectMs) ||
      !FSocket.SetTimeouts(FTimeLimits.ReceiveMs, FTimeLimits.SendMs)) {
    FailWithSystemReason(TTransferFailure::Step::kConnect);
    FSocket.Close();
    return;
  }
  FReceiveBoundMs = FTimeLimits.ReceiveMs;
  FConnected = true;
}

bool THttpFileDown::BoundReceives(TDeadline deadline) {
  const int bound = MsLeft(deadline, FTimeLimits.ReceiveMs);
  if (bound <= 0) return false;
  if (bound != FReceiveBoundMs && FSocket.SetTimeouts(bound, FTimeLimits.SendMs)) FReceiveBoundMs = bound;
  return true;
}

std::string THttpFileDown::RequestTarget() const {
  const std::string path = "/" + EncodeRequestTarget(FPath);
  // A proxy is asked for the absolute URL.
  return FProxy.Direct() ? path : kHttpPrefix + FHost + path;
}

std::string THttpFileDown::ProxyAuthorization() const {
  if (FProxy.Direct() || !FProxy.HasCredentials()) return std::string();
  return "Proxy-Authorization: Basic " + crypto::Base64Encode(FProxy.User + ":" + FProxy.Password) + "\r\n";
}

bool THttpFileDown::SendRequest(const std::string &Request) {
  return FSocket.SendAll(Request.data(), int(Request.size()));
}

void THttpFileDown::ProbeSize() {
  FFileSize = 0;
  // The whole exchange is bounded: the thread that waits here is the window's.
  const TDeadline deadline = std::min(FJobDeadline, Clock::now() + std::chrono::milliseconds(FTimeLimits.ProbeMs));
  SetConnected(false);
  SetConnected(true, deadline);
  if (FConnected && SendRequest("HEAD " + RequestTarget() + " HTTP/1.1\r\nAccept: */*\r\n" + kUserAgentLine +
                                "RANGE: bytes=0-\r\nHost: " + FHost + "\r\n" + ProxyAuthorization() + "\r\n") &&
      BoundReceives(deadline)) {
    std::memset(FBuffer, 0, sizeof FBuffer);
    // One receive only: the answer is what it brought, up to its first zero byte.
    FSocket.Recv(FBuffer, kBufferSize);
    const void *end = std::memchr(FBuffer, 0, kBufferSize);
    std::size_t length = end ? std::size_t(static_cast<const char *>(end) - FBuffer) : std::size_t(kBufferSize);
    FFileSize = ScanContentLength(std::string(FBuffer, length));
  }
  // The probe only informs: what failed here, the transfer finds again and records.
  FFailure = TTransferFailure();
  DoFileSize(FFileSize);
}

bool THttpFileDown::Start() {
  if (FBusy || FDestroying) return false;
  FRangeAccepted = false;
  FRangeWhole = false;
  FAbort = false;
  FLastJobComplete = false;
  FLastJobRefusedBody = false;
  FFailure = TTransferFailure();
  // The job counts from its first step, the size probe: a destructor that begins meanwhile
  // waits for it instead of freeing what the probe is using. Counted before looking at
  // FDestroying again: either the destructor sees this job and waits for it, or this sees
  // the destruction and ends the job at once.
  FBusy = true;
  ++FWorkers;
  std::shared_ptr<sys::Event> done = FDoneEvent;
  if (!FDestroying) {
    try {
      ProbeSize();
    } catch (...) {
      // An invalid URL: no job ran, and none is reported.
      FBusy = false;
      --FWorkers;
      done->Set();
      throw;
    }
  }
  if (FDestroying) {
    Fail(TTransferFailure::Step::kAborted, std::string());
    FinishJob(false, *done);
    return true;
  }
  FThread = FStartWorker([this, done] { DownloadWorker(done); });
  if (!FThread.Valid()) {
    // No worker: the attempt ends here as a failed one, so the downloader is not left
    // busy with nobody to finish the job.
    Fail(TTransferFailure::Step::kConnect, "no thread could be started for the transfer");
    FinishJob(false, *done);
    return true;
  }
  FThreadStored.Set();
  return true;
}

void THttpFileDown::DownloadWorker(std::shared_ptr<sys::Event> DoneEvent) {
  FThreadStored.Wait(sys::kInfiniteWait);
  bool complete = false;
  try {
    FContentLength = 0;
    FReceived = 0;
    SetConnected(false);
    // Stopped while the worker started: no connection is opened.
    if (FAbort) Fail(TTransferFailure::Step::kAborted, std::string());
    if (!FAbort) SetConnected(true, FJobDeadline);
    if (FConnected) {
      if (!SendRequest("GET " + RequestTarget() + " HTTP/1.1\r\nReferer: " + EncodeRequestTarget(FUrl) +
                       "\r\nAccept: */*\r\n" + kUserAgentLine + "RANGE: bytes=" + std::to_string(FRangeStart) +
                       "-\r\nHost: " + FHost + "\r\n" + ProxyAuthorization() + "\r\n")) {
        FailWithSystemReason(TTransferFailure::Step::kSend);
      } else if (ReadHeaders()) {
        complete = ReceiveBody();
      }
    }
  } catch (...) {
    // An error from an OnDowning handler must not leave the thread: the attempt fails and
    // the job still ends as every job does.
    Fail(TTransferFailure::Step::kBody, "the transfer stopped on an error");
    complete = false;
  }
  FinishJob(complete, *DoneEvent);
}

bool THttpFileDown::ReadHeaders() {
  const TDeadline deadline = std::min(FJobDeadline, Clock::now() + std::chrono::milliseconds(FTimeLimits.HeaderPhaseMs));
  HttpHeaderReader reader(FRangeStart);
  HttpHeaderReader::Step step = HttpHeaderReader::Step::NeedMore;
  // Why the phase ended early; recorded after the answer's status, which explains more (a
  // proxy that asks for credentials and closes).
  TTransferFailure::Step cut = TTransferFailure::Step::kNone;
  std::string why;
  while (step == HttpHeaderReader::Step::NeedMore) {
    if (FAbort) {
      cut = TTransferFailure::Step::kAborted;
      break;
    }
    // Each receive is bounded by what is left of the header phase, so that a server
    // dripping bytes cannot stretch the phase.
    if (!BoundReceives(deadline)) {
      cut = TTransferFailure::Step::kHeaders;
      why = "no complete answer within the time allowed";
      break;
    }
    char byte;
    const int n = FSocket.Recv(&byte, 1);
    if (n <= 0) {
      cut = TTransferFailure::Step::kHeaders;
      why = n == 0                     ? "the server closed the connection"
            : MsLeft(deadline, 1) <= 0 ? "no complete answer within the time allowed"
                                       : SystemReason();
      break;
    }
    step = reader.Take(byte);
  }
  FRangeAccepted = reader.RangeAccepted();
  FRangeWhole = reader.RangeIsWhole();
  FContentLength = reader.ContentLength();
  if (!FProxy.Direct() && reader.StatusCode() == 407) {
    Fail(TTransferFailure::Step::kProxyAuthentication, std::string());
  } else if (cut != TTransferFailure::Step::kNone) {
    Fail(cut, why);
  } else if (step == HttpHeaderReader::Step::Dropped) {
    Fail(TTransferFailure::Step::kHeaders, "the server has no such file, or its answer is too long");
  } else if (!FRangeAccepted) {
    Fail(TTransferFailure::Step::kHeaders, "the answer is not the requested range of the file");
  } else if (FContentLength <= 0) {
    Fail(TTransferFailure::Step::kHeaders, "the answer announces no body");
  }
  return step == HttpHeaderReader::Step::Complete && FRangeAccepted && FContentLength > 0;
}

bool THttpFileDown::ReceiveBody() {
  const bool limited = FBodyRule.MaxSize >= 0;
  if (limited && FContentLength > FBodyRule.MaxSize) {
    // Nothing of it is taken: it is not the file that was asked for.
    Fail(TTransferFailure::Step::kTooLarge, std::to_string(FContentLength) + " bytes announced, at most " +
                                                std::to_string(FBodyRule.MaxSize) + " allowed");
    FLastJobRefusedBody = FBodyRule.HashKnown;
    return false;
  }
  std::string dir = sys::ExtractFileDir(FLocalFile);
  if (!dir.empty() && !sys::DirectoryExists(dir)) sys::ForceDirectories(dir);
  sys::OutputFile file;
  // When the file cannot be created the body is still received and reported.
  bool stored = file.Create(FLocalFile);
  if (!stored) FailWithSystemReason(TTransferFailure::Step::kStore);
  sys::FineTimerResolution fineTimer;
  crypto::Sha256 hash;
  TRateFloor rate(FTimeLimits.RateWindowMs, FTimeLimits.MinBytesPerSecond, NowMs(), 0);
  while (FConnected && !FAbort) {
    // A known size is all that is stored: a server that sends more, or never stops,
    // cannot fill the disk.
    const std::int64_t room = limited ? FBodyRule.MaxSize - FReceived : kBufferSize;
    if (room <= 0) break;
    if (!BoundReceives(FJobDeadline)) {
      Fail(TTransferFailure::Step::kBody, "the transfer did not end within the time allowed");
      break;
    }
    int n = FSocket.Recv(FBuffer, int(std::min<std::int64_t>(room, kBufferSize)));
    if (n < 0) {
      FErrorCode = 9999;
      // A receive cut short by the job's deadline is that deadline's doing.
      if (MsLeft(FJobDeadline, 1) <= 0) {
        Fail(TTransferFailure::Step::kBody, "the transfer did not end within the time allowed");
      } else {
        FailWithSystemReason(TTransferFailure::Step::kBody);
      }
      break;
    }
    if (n == 0) break;
    if (stored) {
      stored = file.Write(FBuffer, std::size_t(n));
      if (!stored) FailWithSystemReason(TTransferFailure::Step::kStore);
    }
    if (FBodyRule.HashKnown) hash.Update(FBuffer, std::size_t(n));
    FReceived += n;
    DoDowning(int(std::min<std::int64_t>(FReceived, INT32_MAX)), FContentLength, std::string());
    if (FReceived >= FContentLength) break;
    if (!rate.Holds(NowMs(), FReceived)) {
      Fail(TTransferFailure::Step::kBody, "fewer than " + std::to_string(FTimeLimits.MinBytesPerSecond) +
                                              " bytes a second arrived over " +
                                              std::to_string(FTimeLimits.RateWindowMs / 1000) + " s");
      break;
    }
    // A pause after every chunk, as designed: it keeps the transfer gentle on the server.
    sys::SleepMs(1);
  }
  if (FAbort) Fail(TTransferFailure::Step::kAborted, std::string());
  if (FReceived < FContentLength) {
    Fail(TTransferFailure::Step::kBody, "the server closed the connection after " + std::to_string(FReceived) +
                                            " of " + std::to_string(FContentLength) + " bytes");
  }
  // A longer body than announced is kept whole but is not the announced file, and a
  // range short of the file's end is only a part of it. A signed file is whole only with
  // its signed size and hash.
  if (FReceived > FContentLength) Fail(TTransferFailure::Step::kBody, "the server sent more than it announced");
  if (!FRangeWhole) Fail(TTransferFailure::Step::kHeaders, "the server sent a part of the file, not all of it");
  const bool whole = stored && FReceived == FContentLength && FRangeWhole;
  if (!FBodyRule.HashKnown) return whole;
  const bool matches = FReceived == FBodyRule.MaxSize && hash.Finish() == FBodyRule.Sha256;
  FLastJobRefusedBody = FContentLength != FBodyRule.MaxSize || (FReceived == FContentLength && !matches);
  if (FLastJobRefusedBody) Fail(TTransferFailure::Step::kBody, "the file's size or SHA-256 is not the signed one");
  return whole && matches;
}

void THttpFileDown::FinishJob(bool Complete, sys::Event &DoneEvent) {
  SetConnected(false);
  if (!Complete) Fail(TTransferFailure::Step::kBody, "the file did not arrive whole");
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
