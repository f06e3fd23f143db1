#pragma once
// Tells a transfer that has slowed to a crawl: one that brought fewer than
// MinBytesPerSecond on average over a stretch of WindowMs or more. A server that sends a
// byte now and then passes every per-receive time-out, yet would hold a transfer for ever.

#include <cstdint>

class TRateFloor {
 public:
  TRateFloor(int WindowMs, int MinBytesPerSecond, std::int64_t NowMs, std::int64_t Bytes);

  // Fed after every receive with the time and the bytes received so far; false once the
  // stretch from the newest checkpoint at least WindowMs old to now fell below the floor.
  bool Holds(std::int64_t NowMs, std::int64_t Bytes);

 private:
  // Checkpoints every WindowMs / kSlices, in a fixed ring: nothing is allocated per chunk,
  // and a full ring still holds one at least WindowMs old.
  static constexpr int kSlices = 30;
  static constexpr int kRing = kSlices + 2;
  struct Checkpoint {
    std::int64_t Ms, Bytes;
  };
  const std::int64_t windowMs_, sliceMs_, minBytesPerSecond_;
  Checkpoint ring_[kRing];
  int oldest_ = 0, count_ = 0;
};
