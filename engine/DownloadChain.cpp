#include "engine/DownloadChain.h"

#include <chrono>

#include "crypto/Sha256.h"
#include "engine/ManifestVocabulary.h"
#include "engine/StagedFetch.h"
#include "sys/FileSystem.h"

using vocabulary::kTransferSuffix;

TDownloadChain::TDownloadChain(THttpFileDown &FileDown, int CheckMs)
    : fileDown_(FileDown), signatureDown_(new THttpFileDown), checkLimitMs_(CheckMs) {
  signatureDown_->OnDowned = [this](TObject *) { signatureDone_.Set(); };
}

TDownloadChain::~TDownloadChain() = default;

void TDownloadChain::SetTimeLimits(const THttpFileDown::TimeLimits &Limits, int CheckMs) {
  signatureDown_->SetTimeLimits(Limits);
  checkLimitMs_ = CheckMs;
}

void TDownloadChain::Reset(const TSource &Source) {
  source_ = Source;
  arrived_.assign(std::size_t(Source.Names->Count()), 0);
  firstRefused_.clear();
  firstFailure_.clear();
  complete_ = false;
  failure_ = TChainFailure::kNone;
  reason_.clear();
}

bool TDownloadChain::Fetch(int Index) {
  const TStringList &names = *source_.Names;
  if (Index < 0 || Index >= names.Count()) return false;
  const std::string &name = names[Index];
  THttpFileDown::TBodyRule rule;
  if (const trust::TSignedFile *signedFile = source_.Signed ? source_.Signed->Find(name) : nullptr) {
    rule.MaxSize = std::int64_t(signedFile->Size);
    rule.HashKnown = true;
    rule.Sha256 = signedFile->Sha256;
  }
  fileDown_.SetBodyRule(rule);
  // A file may take as long as it takes while it keeps arriving (the rate floor).
  fileDown_.SetJobDeadline(THttpFileDown::TDeadline::max());
  fileDown_.SetUrl(source_.Path + name + kTransferSuffix);
  fileDown_.SetLocalFile(source_.CacheDir + sys::ToLocalPath(name));
  return fileDown_.Start();
}

void TDownloadChain::Record(int Index) {
  if (Index < 0 || std::size_t(Index) >= arrived_.size()) return;
  const std::string &name = (*source_.Names)[Index];
  const bool arrived = fileDown_.LastJobComplete();
  arrived_[std::size_t(Index)] = arrived;
  if (fileDown_.LastJobRefusedBody() && firstRefused_.empty()) firstRefused_ = name;
  if (arrived) return;
  if (firstFailure_.empty()) firstFailure_ = name + ": " + fileDown_.LastJobFailure().Text();
  sys::RemoveFile(fileDown_.LocalFile());
}

void TDownloadChain::Finish(const std::atomic<bool> &Stopping) {
  complete_ = !arrived_.empty();
  for (char arrived : arrived_) complete_ = complete_ && arrived;
  failure_ = complete_ ? TChainFailure::kNone : TChainFailure::kIncomplete;
  reason_ = complete_ ? std::string()
                      : "not every file arrived whole; nothing was installed" +
                            (firstFailure_.empty() ? std::string() : " (" + firstFailure_ + ")");
  if (complete_ || firstRefused_.empty() || Stopping) return;
  // A file that is not what was signed: either someone changed it, or the vendor is
  // publishing a new release right now, whose files come before its signature file.
  const std::string local = source_.CacheDir + vocabulary::kSignatureName;
  std::string signature;
  TTransferFailure fetchFailure;
  const bool changed =
      FetchToStaging(*signatureDown_, signatureDone_, source_.Path + vocabulary::kSignatureName + kTransferSuffix, local,
                     trust::kMaxSignatureFileSize,
                     std::chrono::steady_clock::now() + std::chrono::milliseconds(checkLimitMs_), false, fetchFailure) &&
      sys::ReadWholeFile(local, signature) && crypto::Sha256Of(signature) != source_.SignatureDigest;
  failure_ = changed ? TChainFailure::kServerChanged : TChainFailure::kNotVerified;
  reason_ = changed ? "the server changed during the update; try again"
                    : "file " + firstRefused_ + " does not match its signed size or hash";
}
