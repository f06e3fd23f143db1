#pragma once
// THttpFileDown fetches one file over plain HTTP/1.1 on port 80, directly or through an
// HTTP proxy, and stores it under a local path. Start runs a HEAD size probe on the calling thread, then a ranged GET on a
// worker thread created for the job; every job ends on the worker with OnDowned and the
// completion event, whatever its outcome.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Component.h"
#include "crypto/Keys.h"
#include "net/Proxy.h"
#include "net/TransferFailure.h"
#include "sys/Event.h"
#include "sys/Socket.h"
#include "sys/Thread.h"

using TOnDowning = std::function<void(TObject *Sender, int CurSize, int TotSize, std::string Speed)>;
using TOnDowned = std::function<void(TObject *Sender)>;
using TOnFileSize = std::function<void(TObject *Sender, int Size)>;

// Bounds on every wait of a transfer. A receive that times out fails like any other;
// HeaderPhaseMs bounds the whole header phase of the GET answer, ProbeMs the whole HEAD
// exchange of the size probe (it holds the thread that calls Start, the window's), and a
// body that brings fewer than MinBytesPerSecond averaged over any RateWindowMs fails.
struct THttpTimeLimits {
  int ConnectMs = 30000, SendMs = 30000, ReceiveMs = 30000, HeaderPhaseMs = 60000;
  int ProbeMs = 15000;
  int RateWindowMs = 30000, MinBytesPerSecond = 1024;
};

class THttpFileDown : public TObject {
 public:
  // Starts a job's worker thread; an empty Thread when none could be started.
  using WorkerStarter = std::function<sys::Thread(sys::Thread::Routine)>;

  explicit THttpFileDown(WorkerStarter StartWorker = sys::Thread::Start);
  // Aborts a running job after its current receive and waits for its last step,
  // dispatching the calling thread's messages meanwhile.
  ~THttpFileDown() override;
  THttpFileDown(const THttpFileDown &) = delete;
  THttpFileDown &operator=(const THttpFileDown &) = delete;

  const std::string &Url() const { return FUrl; }
  // Ignored while a connection is open or a job runs: the worker reads the URL.
  void SetUrl(const std::string &Value);
  // Set it only while the downloader is idle; the worker writes to this path.
  const std::string &LocalFile() const { return FLocalFile; }
  void SetLocalFile(const std::string &Value) { FLocalFile = Value; }

  // Assigned by the owner before Start. OnFileSize runs on the thread calling Start;
  // OnDowning and OnDowned run on the worker and must not let an error escape.
  TOnFileSize OnFileSize;
  TOnDowning OnDowning;
  TOnDowned OnDowned;

  // Ends a running job at its next step (before connecting, between header bytes, between
  // body chunks); a job started later runs as usual.
  void Abort() { FAbort = true; }

  // Starts a job unless one is running or the downloader is being freed; true when it
  // started one, whose completion then follows. Raises sys::Error when the URL is invalid.
  bool Start();

  // True when the last finished job stored the whole announced body: the body phase ran,
  // the file was created, every write succeeded and exactly the announced length arrived.
  bool LastJobComplete() const { return FLastJobComplete; }
  // True when the last job's body was refused for what it was, not for how it travelled:
  // with a known hash, the server announced another size than the known one, or sent the
  // whole announced body and its hash differs.
  bool LastJobRefusedBody() const { return FLastJobRefusedBody; }
  // 9999 once a body receive has failed; never cleared.
  int ErrorCode() const { return FErrorCode; }
  // Why the last finished job did not store the whole body (Step kNone when it did).
  // Read it once the job has ended (from OnDowned on, or after its completion).
  const TTransferFailure &LastJobFailure() const { return FFailure; }

  using TimeLimits = THttpTimeLimits;
  static constexpr TimeLimits kDefaultTimeLimits{};
  void SetTimeLimits(const TimeLimits &Limits) { FTimeLimits = Limits; }
  // Every later job ends by Deadline, whatever the server does (its probe, connection,
  // headers and body together); TDeadline::max() for none. Set it while idle.
  using TDeadline = std::chrono::steady_clock::time_point;
  void SetJobDeadline(TDeadline Deadline) { FJobDeadline = Deadline; }
  // The proxy that later jobs go through (direct by default); set it while idle. Through a
  // proxy, each request names the absolute URL and carries the proxy's credentials.
  void SetProxy(const TProxy &Proxy) { FProxy = Proxy; }

  static constexpr int kBufferSize = 4096;

  // What the owner knows of the body of the next jobs. With MaxSize, at most that many
  // bytes are stored and the transfer ends there; with a hash too, a body counts as whole
  // only when it has exactly MaxSize bytes with that SHA-256, computed as they arrive.
  // Set it while the downloader is idle.
  struct TBodyRule {
    std::int64_t MaxSize = -1;  // none
    bool HashKnown = false;
    crypto::Bytes32 Sha256{};
  };
  void SetBodyRule(const TBodyRule &Rule) { FBodyRule = Rule; }

 private:
  void ParseHost();
  void ParsePath();
  void Validate();
  // Connects to the URL's host within ConnectMs or by deadline, whichever comes first.
  void SetConnected(bool Value, TDeadline deadline = TDeadline::max());
  void ProbeSize();
  void DownloadWorker(std::shared_ptr<sys::Event> DoneEvent);
  void DoFileSize(int Size);
  void DoDowning(int CurSize, int TotSize, const std::string &Speed);
  void DoDowned();

  // The GET's header phase, by HttpHeaderReader's rules; true when it ended at the blank
  // line with the requested range.
  bool ReadHeaders();
  // Bounds the next receives to ReceiveMs or to what is left until deadline, whichever is
  // less; false when nothing is left.
  bool BoundReceives(TDeadline deadline);
  // Records the first failure of a job: step, and the reason (the system's by default).
  void Fail(TTransferFailure::Step step, const std::string &reason);
  void FailWithSystemReason(TTransferFailure::Step step);
  // The body phase: receives into FLocalFile until the length arrived, the server closed,
  // a receive failed or an abort was asked for. True when the whole body was stored.
  bool ReceiveBody();
  // End of a job, on the thread that ran it: idle, OnDowned, completion signal.
  void FinishJob(bool Complete, sys::Event &DoneEvent);
  bool SendRequest(const std::string &Request);
  // What the request line asks for: the path, or through a proxy the absolute URL.
  std::string RequestTarget() const;
  // The proxy's credentials as a header line; empty without them.
  std::string ProxyAuthorization() const;

  // Started first and released last: every socket below needs it (WSAStartup 1.1).
  sys::SocketLayer FSocketLayer{257};
  std::atomic<bool> FConnected{false};
  std::string FUrl;
  int FPort = 80;
  std::string FHost = "0.0.0.0";
  std::string FLocalFile;
  int FFileSize = 0;
  int FContentLength = 0;
  // 64 bits: a body longer than announced may pass 2 GiB before the loop sees its end.
  std::int64_t FReceived = 0;
  // The GET always asks from byte 0: nothing sets it, as designed (a transfer that ends
  // early is fetched again whole).
  int FRangeStart = 0;
  std::string FPath;
  std::atomic<bool> FBusy{false};
  bool FRangeAccepted = false;
  bool FRangeWhole = false;  // the accepted range is the whole rest of the file
  std::atomic<bool> FAbort{false};
  std::atomic<int> FErrorCode{0};
  sys::Socket FSocket;
  char FBuffer[kBufferSize] = {};
  sys::Thread FThread;
  // Shared with each worker, which signals it after its last step on this object.
  std::shared_ptr<sys::Event> FDoneEvent;

  TimeLimits FTimeLimits = kDefaultTimeLimits;
  TDeadline FJobDeadline = TDeadline::max();
  // The receive bound now set on the socket.
  int FReceiveBoundMs = 0;
  TTransferFailure FFailure;
  TProxy FProxy;
  TBodyRule FBodyRule;
  std::atomic<bool> FLastJobComplete{false};
  std::atomic<bool> FLastJobRefusedBody{false};
  // Set once destruction has begun: no job may start after that.
  std::atomic<bool> FDestroying{false};
  // Workers that have not yet taken their last step on this object (two for a moment
  // when OnDowned starts the next job).
  std::atomic<int> FWorkers{0};
  // Lets a new worker run once FThread holds its handle, which the worker closes.
  sys::Event FThreadStored{sys::Event::Mode::AutoReset};
  const WorkerStarter FStartWorker;
};
