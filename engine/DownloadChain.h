#pragma once
// One chain of downloads: the files of an update fetched one after another into the
// staging folder with the engine's file downloader, each started from the previous one's
// completion on the finishing worker's thread. The chain records which file arrived whole
// and, once it has ended, whether every one did and, if not, why. A file refused for what
// it is (not the signed size or hash) makes it fetch the signature file again: a changed
// signature file means a publication in progress, not a changed file.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/StringList.h"
#include "crypto/Keys.h"
#include "engine/ManifestTrust.h"
#include "net/HttpFileDown.h"
#include "sys/Event.h"

// Why the last chain of downloads did not deliver every file whole.
enum class TChainFailure {
  kNone,
  kIncomplete,     // a file did not arrive (the server, the network, the disk)
  kNotVerified,    // a file is not what the manifest signed
  kServerChanged,  // the same, while the server's signature changed: a new publication
};

class TDownloadChain {
 public:
  // CheckMs bounds the fetch of the signature file at the chain's end as a whole.
  TDownloadChain(THttpFileDown &FileDown, int CheckMs);
  // Frees the chain's signature downloader; the file downloader's worker, which runs the
  // chain's end, must be done by then.
  ~TDownloadChain();
  TDownloadChain(const TDownloadChain &) = delete;
  TDownloadChain &operator=(const TDownloadChain &) = delete;

  // The bounds of its signature file's fetch (CheckMs as a whole), and its proxy.
  void SetTimeLimits(const THttpFileDown::TimeLimits &Limits, int CheckMs);
  void SetProxy(const TProxy &Proxy) { signatureDown_->SetProxy(Proxy); }

  // What a chain fetches: each name from Path + name + ".rar" into CacheDir; with Signed
  // (what the accepted manifest signed; nullptr for an unsigned build), each file must
  // have its signed size and hash, and SignatureDigest is the SHA-256 of the signature
  // file that manifest came with. Names and Signed must outlive the chain's run.
  struct TSource {
    const TStringList *Names = nullptr;
    std::string Path, CacheDir;
    const trust::TSignedFacts *Signed = nullptr;
    crypto::Bytes32 SignatureDigest{};
  };
  // A new chain: nothing has arrived yet.
  void Reset(const TSource &Source);
  // Starts file Index; false when there is no such file or it was not started (its
  // completion then never comes). Raises sys::Error for a URL that cannot be fetched.
  bool Fetch(int Index);
  // From file Index's completion: whether it arrived whole, and why not. What did not
  // arrive whole, or is not what was signed, does not stay staged.
  void Record(int Index);
  // Once no further file is started: the chain's outcome. Stopping (the engine is being
  // freed) skips the signature file's fetch, and is asked again after it.
  void Finish(const std::atomic<bool> &Stopping);
  // Stops the signature file's fetch at its next step (the engine is being freed).
  void Abort() { signatureDown_->Abort(); }

  bool Complete() const { return complete_; }
  TChainFailure Failure() const { return failure_; }
  const std::string &Reason() const { return reason_; }

 private:
  THttpFileDown &fileDown_;
  // Fetches the signature file again at the chain's end, on the chain's worker.
  sys::Event signatureDone_{sys::Event::Mode::ManualReset};
  std::unique_ptr<THttpFileDown> signatureDown_;
  int checkLimitMs_;

  TSource source_;
  std::vector<char> arrived_;
  // The first file that the signature refused, and the first that did not arrive whole,
  // with why.
  std::string firstRefused_;
  std::string firstFailure_;
  bool complete_ = false;
  TChainFailure failure_ = TChainFailure::kNone;
  std::string reason_;
};
