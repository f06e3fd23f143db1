#include "net/TransferRate.h"

TRateFloor::TRateFloor(int WindowMs, int MinBytesPerSecond, std::int64_t NowMs, std::int64_t Bytes)
    : windowMs_(WindowMs), sliceMs_(WindowMs > 0 ? (std::int64_t(WindowMs) + kSlices - 1) / kSlices : 1),
      minBytesPerSecond_(MinBytesPerSecond), ring_{}, count_(1) {
  ring_[0] = Checkpoint{NowMs, Bytes};
}

bool TRateFloor::Holds(std::int64_t NowMs, std::int64_t Bytes) {
  // The newest checkpoint that opens a stretch of a whole window.
  const Checkpoint *from = nullptr;
  for (int i = 0; i < count_; ++i) {
    const Checkpoint &c = ring_[(oldest_ + i) % kRing];
    if (NowMs - c.Ms < windowMs_) break;
    from = &c;
  }
  if (from && (Bytes - from->Bytes) * 1000 < minBytesPerSecond_ * (NowMs - from->Ms)) return false;
  const Checkpoint &newest = ring_[(oldest_ + count_ - 1) % kRing];
  if (NowMs - newest.Ms >= sliceMs_) {
    if (count_ == kRing) {
      oldest_ = (oldest_ + 1) % kRing;
      --count_;
    }
    ring_[(oldest_ + count_) % kRing] = Checkpoint{NowMs, Bytes};
    ++count_;
  }
  return true;
}
