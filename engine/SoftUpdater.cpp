#include "engine/SoftUpdater.h"

#include <chrono>

#include "crypto/Sha256.h"
#include "engine/Installation.h"
#include "engine/ManifestNames.h"
#include "engine/ManifestVocabulary.h"
#include "engine/StagedFetch.h"
#include "net/ConnectProbe.h"
#include "net/HttpText.h"
#include "net/PingUnit.h"
#include "pe/FileVer.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/GlobalUtils.h"
#include "sys/uGlobal.h"

using namespace std::placeholders;

namespace {

using vocabulary::kJournalName;
using vocabulary::kManifestName;
using vocabulary::kTransferSuffix;

constexpr int kProbeTimeoutMs = 5000;

std::string ProgramDirectory(const std::string &given) {
  return given.empty() ? ExecutableDirectory() : sys::WithTrailingSeparator(given);
}

// Frees a downloader while its owner still holds it: the downloader's destructor waits for
// a finishing job whose completion handler may still reach it through the owner, so the
// pointer must stay valid until the destructor has returned.
void DestroyDownloader(std::unique_ptr<THttpFileDown> &downloader) {
  delete downloader.get();
  downloader.release();
}

// Sets a flag for the lifetime of a scope, so that it is cleared on every way out,
// an error included.
class FlagScope {
 public:
  explicit FlagScope(std::atomic<bool> &flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope &) = delete;
  FlagScope &operator=(const FlagScope &) = delete;

 private:
  std::atomic<bool> &flag_;
};

}  // namespace

TSoftUpdater::TSoftUpdater(TComponent *AOwner, const std::string &ProgramDir)
    : TComponent(AOwner),
      FAppDir(ProgramDirectory(ProgramDir)),
      FCacheDir(FAppDir + vocabulary::kStagingDirName + sys::kPathSep),
      FFileDown(new THttpFileDown),
      FIniDoneEvent(new sys::Event(sys::Event::Mode::ManualReset)),
      FIniDown(new THttpFileDown),
      FChain(new TDownloadChain(*FFileDown, kCheckLimitMs)) {
  FFileDown->OnFileSize = std::bind(&TSoftUpdater::FileSizeRelay, this, _1, _2);
  FFileDown->OnDowning = std::bind(&TSoftUpdater::FileDowningRelay, this, _1, _2, _3, _4);
  FFileDown->OnDowned = std::bind(&TSoftUpdater::FileDownedStep, this, _1);
  // The manifest's size and progress are nobody's business: only its completion counts.
  FIniDown->OnDowned = [this](TObject *) { FIniDoneEvent->Set(); };
}

TSoftUpdater::~TSoftUpdater() {
  // From here on a finishing download starts no next file and nothing gets installed.
  FDestroying = true;
  // The two 5 ms pauses are part of the design's order of destruction and are kept so.
  DestroyDownloader(FIniDown);
  sys::SleepMs(5);
  // The chain's last worker may be fetching the signature file: it stops at its next step.
  FChain->Abort();
  DestroyDownloader(FFileDown);
  sys::SleepMs(5);
  // The chain's last worker has ended with FFileDown.
  FChain.reset();
  FIniDoneEvent.reset();
  FUpdateIni.reset();
}

void TSoftUpdater::SetTimeLimits(const THttpFileDown::TimeLimits &Limits, int CheckMs) {
  FIniDown->SetTimeLimits(Limits);
  FFileDown->SetTimeLimits(Limits);
  FChain->SetTimeLimits(Limits, CheckMs);
  FCheckLimitMs = CheckMs;
}

int TSoftUpdater::PingHost(const std::string &HostName, int TimeoutMs, std::string &AddressText) {
  FProbeError.clear();
  try {
    TPing ping;
    return ping.PingByName(HostName, TimeoutMs, AddressText);
  } catch (const std::exception &error) {
    FProbeError = error.what();
    return -1;
  }
}

bool TSoftUpdater::ProbeHost(std::string &Reason) {
  int probe;
  std::string why;
  if (!FProxy.Direct()) {
    // The update host itself may not be reachable from here: the proxy is what must be.
    probe = ProbeByConnecting(FProxy.Host, FProxy.Port, kProbeTimeoutMs, why);
    if (probe != 1) Reason = "cannot connect to the proxy " + FProxy.Host + ":" + std::to_string(FProxy.Port) + ": " + why;
    return probe == 1;
  }
  if (HostProbe == THostProbe::kHttp) {
    probe = ProbeByConnecting(Host, 80, kProbeTimeoutMs, why);
  } else {
    std::string address;
    probe = PingHost(Host, kProbeTimeoutMs, address);
    why = probe == 0                ? "it does not answer"
          : !FProbeError.empty() ? "no echo request can be sent (" + FProbeError + ")"
                                  : "the name does not resolve";
  }
  if (probe != 1) Reason = "cannot connect to " + Host + ": " + why;
  return probe == 1;
}

std::string TSoftUpdater::GetCurrVersion() {
  if (!sys::FileExists(MainFile)) return std::string();
  TFileVer reader;
  reader.LoadFromFile(MainFile);
  return reader.FFileVersion;
}

std::string TSoftUpdater::GetNewVersion() { return FUpdateIni ? FUpdateIni->ReadStr(ukCurrVersion) : std::string(); }

int TSoftUpdater::CheckUpdate(std::string &Msg) {
  Msg = "Connot connect to " + Host;
  // A nested check leaves the running one's record alone. A check during a chain or an
  // installation would rebuild the list they are reading.
  if (FIsCheckUpdateing || FIsDownloading || FIsCopyFileing) return -1;
  // The probe, the manifest and its signature file together end by this, whatever the
  // server does: a check never holds the installation's lock for long.
  const THttpFileDown::TDeadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(FCheckLimitMs);
  FUpdateIni.reset();
  FSigned = trust::TSignedFacts();
  FFileList.Clear();
  FLastChainComplete = false;
  FLastInstallComplete = false;
  FCheckFailure = TCheckFailure::kNone;
  FFailureReason.clear();
  if (Host.empty()) return FailCheck(TCheckFailure::kCannotConnect, "no update host is set");

  // From here to the end of the installation, this updater alone works on the
  // installation's staging folder and files.
  sys::ForceDirectories(FCacheDir);
  switch (FLock.TryLock(FCacheDir + vocabulary::kLockName)) {
    case sys::FileLock::Result::kLocked:
      break;
    case sys::FileLock::Result::kHeldElsewhere:
      return FailCheck(TCheckFailure::kAnotherUpdateRunning, "another update of this installation is running");
    case sys::FileLock::Result::kFailed:
      return FailCheck(TCheckFailure::kInstallationUnfinished,
                       sys::WithLastError("cannot lock the installation (" + FCacheDir + vocabulary::kLockName + ")"));
  }
  // An installation that was interrupted is finished first, so that the installed
  // version read below is wholly the old release or wholly the new one.
  TInstallation recovery(FCacheDir + kJournalName, FAppDir);
  if (!recovery.Recover()) return FailCheck(TCheckFailure::kInstallationUnfinished, recovery.FailureReason());
  // Every request of this update goes through the proxy that the setting names for the
  // URL's host, if any.
  const TProxyConfig proxySetting = FProxyOverride ? *FProxyOverride : SystemProxyConfig();
  if (!proxySetting.Problem.empty()) return FailCheck(TCheckFailure::kCannotConnect, proxySetting.Problem);
  const std::string urlHost = net::HttpUrlHost(Path);
  FProxy = ProxyFor(proxySetting, urlHost.substr(0, urlHost.find(':')));
  FIniDown->SetProxy(FProxy);
  FFileDown->SetProxy(FProxy);
  FChain->SetProxy(FProxy);
  std::string reason;
  if (!ProbeHost(reason)) return FailCheck(TCheckFailure::kCannotConnect, reason);

  FlagScope checking(FIsCheckUpdateing);
  const std::string localManifest = FCacheDir + kManifestName;
  if (sys::FileExists(localManifest)) sys::RemoveFile(localManifest);
  bool fetched;
  TTransferFailure failure;
  try {
    // Signed or not, a manifest is read whole into memory: its size is bounded.
    fetched = FetchOwnFile(kManifestName, trust::kMaxManifestSize, deadline, failure);
  } catch (...) {
    EndSession();
    throw;
  }
  // A manifest cut short would name only some of the release's files.
  if (!fetched) {
    return FailCheck(failure.FailedStep == TTransferFailure::Step::kProxyAuthentication
                         ? TCheckFailure::kProxyAuthentication
                         : TCheckFailure::kCannotConnect,
                     "cannot fetch " + Path + kManifestName + kTransferSuffix + ": " + failure.Text());
  }

  // Nothing reads a manifest that the build cannot trust; it does not stay staged either.
  trust::TTrustState trusted;
  if (Signed() && !AcceptSignedManifest(localManifest, deadline, trusted)) return -1;
  FUpdateIni.reset(new TUpdateIni(localManifest));
  try {
    FUpdateIni->WriteStr(ukLastVersion, GetCurrVersion());
  } catch (...) {
    EndSession();
    throw;
  }
  // Without a newest version the file is no manifest (an error page, garbage): the check
  // failed, and the installation must not be called current. Asked after the write, so
  // that a large manifest is parsed once, as written.
  if (FUpdateIni->ReadStr(ukCurrVersion).empty()) {
    return FailCheck(TCheckFailure::kCannotConnect, "the server's manifest names no newest version");
  }
  FUpdateIni->GetUpdateFiles(FFileList);
  DropUnsafeNames(FFileList);
  if (Signed()) {
    for (const std::string &name : FFileList) {
      if (!FSigned.Find(name)) {
        RefuseManifest("the signed manifest gives no size and hash for " + name);
        return -1;
      }
    }
    // Accepted whole: from now on no older manifest is.
    const std::string statePath = FCacheDir + vocabulary::kTrustStateName;
    if (!trusted.Sha256Hex.empty() && !trust::WriteTrustState(statePath, trusted)) {
      RefuseManifest(sys::WithLastError("cannot write " + statePath));
      return -1;
    }
  }
  if (FFileList.Empty()) {
    EndSession();
    Msg = "The curr version is the last version!";
    return 0;
  }
  Msg = "New version: " + FUpdateIni->ReadStr(ukCurrVersion);
  return 1;
}

bool TSoftUpdater::FetchOwnFile(const std::string &Name, std::int64_t MaxSize, THttpFileDown::TDeadline Deadline,
                                TTransferFailure &Failure) {
  // The caller's window stays live while the file arrives.
  return FetchToStaging(*FIniDown, *FIniDoneEvent, Path + Name + kTransferSuffix, FCacheDir + Name, MaxSize, Deadline,
                        true, Failure);
}

bool TSoftUpdater::AcceptSignedManifest(const std::string &LocalManifest, THttpFileDown::TDeadline Deadline,
                                        trust::TTrustState &State) {
  const std::string localSignature = FCacheDir + vocabulary::kSignatureName;
  if (sys::FileExists(localSignature)) sys::RemoveFile(localSignature);
  std::string manifest, signature;
  if (!sys::ReadWholeFile(LocalManifest, manifest)) return RefuseManifest(sys::WithLastError("cannot read the manifest"));
  TTransferFailure failure;
  if (!FetchOwnFile(vocabulary::kSignatureName, trust::kMaxSignatureFileSize, Deadline, failure) ||
      !sys::ReadWholeFile(localSignature, signature)) {
    signature.clear();
    if (failure.FailedStep == TTransferFailure::Step::kProxyAuthentication) {
      FailCheck(TCheckFailure::kProxyAuthentication, "cannot fetch the manifest's signature file: " + failure.Text());
      return false;
    }
    if (failure.FailedStep == TTransferFailure::Step::kTooLarge) {
      return RefuseManifest("the manifest's signature file is too large (over " +
                            std::to_string(trust::kMaxSignatureFileSize / 1024) + " KiB)");
    }
  }
  FSignatureDigest = crypto::Sha256Of(signature);
  trust::TTrustState stored;
  const bool known = trust::ReadTrustState(FCacheDir + vocabulary::kTrustStateName, stored);
  trust::TTrustVerdict verdict =
      trust::DecideTrust(manifest, signature, FTrustedKeys, known ? std::optional<trust::TTrustState>(stored) : std::nullopt,
                         trust::NowUtc(), GetCurrVersion());
  if (!verdict.Accepted) {
    // A signature file that could not be fetched reads as missing; the fetch says why.
    return RefuseManifest(verdict.Reason + (signature.empty() && failure.Failed() ? " (" + failure.Text() + ")" : ""));
  }
  FSigned = std::move(verdict.Facts);
  // Kept by the check once the manifest is accepted whole.
  State = verdict.NewState;
  return true;
}

bool TSoftUpdater::RefuseManifest(const std::string &Reason) {
  FUpdateIni.reset();
  FFileList.Clear();
  FSigned = trust::TSignedFacts();
  sys::RemoveFile(FCacheDir + kManifestName);
  FailCheck(TCheckFailure::kNotVerified, Reason);
  return false;
}

int TSoftUpdater::FailCheck(TCheckFailure Failure, const std::string &Reason) {
  FCheckFailure = Failure;
  FFailureReason = Reason;
  // The lock is another updater's: it stays as it is.
  if (Failure != TCheckFailure::kAnotherUpdateRunning) EndSession();
  return -1;
}

void TSoftUpdater::EndSession() { FLock.Unlock(); }

void TSoftUpdater::StartDownload() {
  if (FIsDownloading) return;
  FIsDownloading = true;
  FLastChainComplete = false;
  TDownloadChain::TSource source;
  source.Names = &FFileList;
  source.Path = Path;
  source.CacheDir = FCacheDir;
  source.Signed = Signed() ? &FSigned : nullptr;
  source.SignatureDigest = FSignatureDigest;
  FChain->Reset(source);
  FFileIndex = 0;
  bool started = false;
  try {
    started = DownloadFile(0);
  } catch (...) {
    // The first file's URL was refused: no chain runs, so none may be reported as running.
    FIsDownloading = false;
    throw;
  }
  // An empty list starts nothing and nothing will complete, so no chain is running.
  if (!started) FIsDownloading = false;
}

bool TSoftUpdater::DownloadFile(int Index) { return FChain->Fetch(Index); }

void TSoftUpdater::FileSizeRelay(TObject *, int Size) {
  if (OnFileSize) OnFileSize(this, Size);
}

void TSoftUpdater::FileDowningRelay(TObject *, int CurSize, int TotSize, std::string Speed) {
  if (OnFileDowning) OnFileDowning(this, CurSize, TotSize, std::move(Speed));
}

void TSoftUpdater::FileDownedStep(TObject *) {
  // Runs on the finishing download's worker thread.
  const int index = FFileIndex;
  // What did not arrive whole goes, also when the engine is being freed.
  FChain->Record(index);
  if (FDestroying) {
    FIsDownloading = false;
    return;
  }
  if (OnFileDowned) OnFileDowned(this);
  if (index < FFileList.Count() - 1) {
    FFileIndex = index + 1;
    try {
      if (DownloadFile(index + 1)) return;
    } catch (...) {
      // The next file's URL was refused; its entry stays missing and the chain ends here.
    }
  }
  EndChain();
}

void TSoftUpdater::EndChain() {
  FChain->Finish(FDestroying);
  if (FDestroying) {
    // Freed meanwhile: nobody is left to tell.
    FIsDownloading = false;
    return;
  }
  FLastChainComplete = FChain->Complete();
  FFailureReason = FChain->Reason();
  FIsDownloading = false;
  if (OnFileAllDowned) OnFileAllDowned(this);
}

void TSoftUpdater::CopyFiles() {
  if (FIsDownloading || FIsCopyFileing) return;
  FlagScope copying(FIsCopyFileing);
  FLastInstallComplete = false;
  // Only a chain that delivered every file whole is installed: a partial body, a failed
  // write or a copy staged by an earlier chain never reaches the installation.
  if (!FLastChainComplete) return;
  const int count = FFileList.Count();
  std::vector<TInstallEntry> entries;
  for (int i = 0; i < count; ++i) entries.push_back(TInstallEntry{FCacheDir + sys::ToLocalPath(FFileList[i]), FFileList[i]});
  // All or nothing: OnCopyFile follows each replacement, so the last one comes only when
  // every entry is in place.
  TInstallation installation(FCacheDir + kJournalName, FAppDir);
  installation.SetStepHook(FInstallStepHook);
  FLastInstallComplete = installation.Run(entries, [&](int i) {
    if (OnCopyFile) OnCopyFile(this, entries[std::size_t(i)].Source, FAppDir + sys::ToLocalPath(FFileList[i]), count, i);
  });
  FFailureReason = FLastInstallComplete ? std::string() : installation.FailureReason();
  // The update is done: another updater may work on the installation now. After a
  // failure the owner may try the chain again, still holding it.
  if (FLastInstallComplete) EndSession();
}

TInstallOutcome TSoftUpdater::EndMainProgramAndInstall(unsigned PauseMs, const std::function<void()> &Starting) {
  // A file is missing or broken: the running main program stays and nothing is installed.
  if (!FLastChainComplete) return TInstallOutcome::ChainIncomplete;
  if (Starting) Starting();
  KillProcess(vocabulary::kMainFileName);
  sys::SleepMs(PauseMs);
  CopyFiles();
  return FLastInstallComplete ? TInstallOutcome::Installed : TInstallOutcome::InstallFailed;
}
