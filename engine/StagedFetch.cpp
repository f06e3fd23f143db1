#include "engine/StagedFetch.h"

#include "sys/FileSystem.h"
#include "sys/MessageQueue.h"

namespace {

// The wait dispatches messages in slices; a slice that passes without completion simply
// starts the next one (the job itself is bounded by its deadline).
constexpr int kWaitSliceMs = 15000;

}  // namespace

bool FetchToStaging(THttpFileDown &Down, sys::Event &Done, const std::string &Url, const std::string &Local,
                    std::int64_t MaxSize, THttpFileDown::TDeadline Deadline, bool DispatchMessages,
                    TTransferFailure &Failure) {
  THttpFileDown::TBodyRule rule;
  rule.MaxSize = MaxSize;
  Down.SetBodyRule(rule);
  Down.SetJobDeadline(Deadline);
  Down.SetUrl(Url);
  Down.SetLocalFile(Local);
  Done.Reset();
  if (!Down.Start()) {
    Failure = TTransferFailure();
    Failure.FailedStep = TTransferFailure::Step::kAborted;
    return false;
  }
  if (DispatchMessages) {
    sys::WaitDispatchingMessages(Done, kWaitSliceMs);
  } else {
    Done.Wait(sys::kInfiniteWait);
  }
  Done.Reset();
  Failure = Down.LastJobFailure();
  const bool whole = Down.LastJobComplete() && sys::FileExists(Local);
  // Bytes that did not arrive whole, or that exceed the bound, are nobody's to read.
  if (!whole) sys::RemoveFile(Local);
  return whole;
}
