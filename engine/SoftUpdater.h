#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "crypto/Keys.h"
#include "engine/DownloadChain.h"
#include "engine/Installation.h"
#include "engine/ManifestTrust.h"
#include "engine/UpdateIni.h"
#include "net/HttpFileDown.h"
#include "core/Component.h"
#include "sys/Event.h"
#include "sys/FileLock.h"
#include "core/StringList.h"

// How an installation that followed a chain of downloads ended.
enum class TInstallOutcome {
  Installed,        // every file of the release is in place
  ChainIncomplete,  // not every file arrived whole: nothing was ended or changed
  InstallFailed,    // the installation backed out: the installation is as it was
};

// Why the last CheckUpdate returned -1.
enum class TCheckFailure {
  kNone,
  kCannotConnect,            // no host, the host does not answer, or no manifest arrived
  kAnotherUpdateRunning,     // another updater holds this installation
  kInstallationUnfinished,   // an interrupted installation cannot be completed now
  kNotVerified,              // the manifest is not one that the build's keys signed, or is stale
  kProxyAuthentication,      // the proxy asks for credentials that were not given or not taken
};

// How a check finds out that the update host is reachable.
enum class THostProbe {
  kIcmp,  // an ICMP echo request
  kHttp,  // a connection to the host's port 80, for hosts that drop echo requests
};

// The running main program needs a moment to let go of its files once it is ended.
inline constexpr unsigned kMainProgramExitPauseMs = 1000;

using TOnCopyFile =
    std::function<void(TObject *Sender, const std::string &src, const std::string &dest, int count, int index)>;

// The update engine. It decides whether the server holds a newer release than the
// installed one (CheckUpdate), downloads the changed files one after another into
// "cache" under the program directory (StartDownload), and copies them over the
// installation (CopyFiles). It shows nothing; its owner listens to its notifications.
//
// Threads: CheckUpdate runs on the caller's thread and dispatches that thread's messages
// while it waits for the manifest. Each file transfer runs on its downloader's worker
// thread, and the next file is started from the previous one's completion, on that
// worker; OnFileDowning, OnFileDowned, OnFileAllDowned (and a CopyFiles called from it,
// with its OnCopyFile) are raised there.
class TSoftUpdater : public TComponent {
 public:
  // The program directory defaults to the running executable's; the console front end and
  // tests may give another one (a missing trailing separator is added).
  explicit TSoftUpdater(TComponent *AOwner, const std::string &ProgramDir = std::string());
  ~TSoftUpdater() override;

  // Published settings and state, in the order the window's layout knows them.
  std::string Host;      // update host, probed before every check
  std::string Path;      // base URL of the update directory, "http://.../"
  std::string MainFile;  // the main program file whose version is the installed version
  THostProbe HostProbe = THostProbe::kIcmp;
  bool IsCheckUpdateing() const { return FIsCheckUpdateing; }
  bool IsDownloading() const { return FIsDownloading; }
  bool IsCopyFileing() const { return FIsCopyFileing; }
  TOnFileSize OnFileSize;
  TOnDowning OnFileDowning;
  TOnDowned OnFileDowned;
  TOnDowned OnFileAllDowned;
  TOnCopyFile OnCopyFile;

  // -1: the check cannot be made; 0: the installation is current; 1: a newer release
  // exists and FFileList holds its files. Msg receives a short English result text. Every
  // check starts from an empty list and a clean record; a check while another check, a
  // chain or an installation runs returns -1 at once and leaves theirs alone.
  //
  // From a check on, this updater holds the installation: another updater (the window
  // and a scheduled quillet-update, say) cannot check it until this one's update ends,
  // that is until a check finds nothing to do or fails, an installation completes,
  // EndSession is called, or the engine is freed.
  int CheckUpdate(std::string &Msg);
  // The owner gives up the update that the last check offered (the user declined it).
  void EndSession();
  std::string GetCurrVersion();
  std::string GetNewVersion();
  void StartDownload();
  void CopyFiles();

  // After a chain of downloads: ends the running main program, pauses PauseMs so that it
  // lets go of its files, and installs the downloads (CopyFiles). Starting runs first, on
  // the calling thread, so that a front end can show what is about to happen. Nothing at
  // all happens when the last chain did not deliver every file whole.
  TInstallOutcome EndMainProgramAndInstall(unsigned PauseMs = kMainProgramExitPauseMs,
                                           const std::function<void()> &Starting = {});

  // Outcomes the completion notifications do not carry: whether the last chain of
  // downloads delivered every listed file whole, and whether the last installation
  // copied every entry. A front end reports success only when both are true.
  bool LastChainComplete() const { return FLastChainComplete; }
  bool LastInstallComplete() const { return FLastInstallComplete; }
  // Why the last check failed, and in words (English, with the system's reason where
  // there is one) why the last check or installation failed, for a console to show.
  TCheckFailure LastCheckFailure() const { return FCheckFailure; }
  TChainFailure LastChainFailure() const { return FChain->Failure(); }
  const std::string &FailureReason() const { return FFailureReason; }

  // The keys whose signatures the updater trusts. With none it behaves as it always did;
  // with one or more it installs nothing that they did not sign: the manifest's
  // signature, its expiry and serial, and each file's size and SHA-256 (ManifestTrust.h).
  // Set them before the first check.
  void SetTrustedKeys(std::vector<crypto::PublicKey> Keys) { FTrustedKeys = std::move(Keys); }
  bool Signed() const { return !FTrustedKeys.empty(); }

  // Bounds for every transfer of the manifest and of the files (the downloader's defaults
  // until set), and for a check as a whole: its probe, manifest and signature file end
  // within CheckMs whatever the server does, and so does the signature file's fetch at the
  // end of a chain. Set them while nothing is being fetched.
  void SetTimeLimits(const THttpFileDown::TimeLimits &Limits, int CheckMs = kCheckLimitMs);
  static constexpr int kCheckLimitMs = 120000;
  // Handed to every installation CopyFiles runs (see TInstallation::SetStepHook).
  void SetInstallStepHook(TInstallation::TStepHook Hook) { FInstallStepHook = std::move(Hook); }

  // The proxy setting to use instead of the system's (read at every check).
  void SetProxyConfig(const TProxyConfig &Config) { FProxyOverride.reset(new TProxyConfig(Config)); }
  // The proxy host of the last check's requests; empty when they went direct.
  const std::string &ProxyHost() const { return FProxy.Host; }

  // Read by the owner, written only by the engine.
  const std::string FAppDir;    // program directory, with a trailing separator
  const std::string FCacheDir;  // FAppDir + "cache" + separator: the staging directory
  // Changed files of the newest release, as the manifest names them ("/" separated);
  // rebuilt by every check that fetched a manifest.
  TStringList FFileList;
  // Index in FFileList of the file being downloaded; -1 before the first chain, then
  // left on the last index.
  std::atomic<int> FFileIndex{-1};

 protected:
  int PingHost(const std::string &HostName, int TimeoutMs, std::string &AddressText);
  bool DownloadFile(int Index);

 private:
  // The check's probe, by the proxy or HostProbe; false, with why, when the host (or the
  // proxy) is not reachable.
  bool ProbeHost(std::string &Reason);
  void FileSizeRelay(TObject *Sender, int Size);
  void FileDowningRelay(TObject *Sender, int CurSize, int TotSize, std::string Speed);
  void FileDownedStep(TObject *Sender);
  void EndChain();
  int FailCheck(TCheckFailure Failure, const std::string &Reason);
  // Fetches Path + Name + ".rar" into the staging folder with the manifest's downloader,
  // storing at most MaxSize bytes, by Deadline; true when it arrived whole.
  bool FetchOwnFile(const std::string &Name, std::int64_t MaxSize, THttpFileDown::TDeadline Deadline,
                    TTransferFailure &Failure);
  // The staged manifest's signature, expiry, serial and release; false, refused, otherwise.
  // On acceptance State is the trust state to keep once the whole manifest is accepted.
  bool AcceptSignedManifest(const std::string &LocalManifest, THttpFileDown::TDeadline Deadline,
                            trust::TTrustState &State);
  bool RefuseManifest(const std::string &Reason);

  std::atomic<bool> FIsCheckUpdateing{false};
  std::atomic<bool> FIsDownloading{false};
  std::atomic<bool> FIsCopyFileing{false};
  std::unique_ptr<TUpdateIni> FUpdateIni;
  std::unique_ptr<THttpFileDown> FFileDown;
  std::unique_ptr<sys::Event> FIniDoneEvent;
  std::unique_ptr<THttpFileDown> FIniDown;
  // The chain of downloads that FFileDown runs; freed after FFileDown, whose last worker
  // ends the chain.
  std::unique_ptr<TDownloadChain> FChain;
  int FCheckLimitMs = kCheckLimitMs;
  std::unique_ptr<TProxyConfig> FProxyOverride;
  TProxy FProxy;
  // Why the last PingHost could not send its echo request (empty when it could).
  std::string FProbeError;

  std::atomic<bool> FLastChainComplete{false};
  std::atomic<bool> FLastInstallComplete{false};
  // Set when destruction begins: a finishing download then starts nothing further.
  std::atomic<bool> FDestroying{false};
  TInstallation::TStepHook FInstallStepHook;
  sys::FileLock FLock;
  TCheckFailure FCheckFailure = TCheckFailure::kNone;
  std::string FFailureReason;
  std::vector<crypto::PublicKey> FTrustedKeys;
  // What the accepted manifest signed, and the digest of the signature file it came with.
  trust::TSignedFacts FSigned;
  crypto::Bytes32 FSignatureDigest{};
};
