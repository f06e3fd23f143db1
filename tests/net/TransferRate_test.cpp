#include "net/TransferRate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

// A 30 s window with a floor of 1024 bytes a second, fed (ms, bytes so far) in turn: the
// index of the first feed that finds the floor broken, or -1.
int FirstBreach(const std::vector<std::pair<std::int64_t, std::int64_t>> &feeds) {
  TRateFloor floor(30000, 1024, 0, 0);
  for (std::size_t i = 0; i < feeds.size(); ++i) {
    if (!floor.Holds(feeds[i].first, feeds[i].second)) return int(i);
  }
  return -1;
}

TEST(TransferRate, AWindowBelowTheFloorEndsTheTransfer) {
  std::vector<std::pair<std::int64_t, std::int64_t>> steady, drip, lateStall, burstThenDrip, burstsAbove;
  for (int s = 1; s <= 120; ++s) steady.push_back({s * 1000, s * 2048});
  for (int s = 10; s <= 120; s += 10) drip.push_back({s * 1000, s / 10});  // a byte every 10 s
  for (int s = 1; s <= 60; ++s) lateStall.push_back({s * 1000, std::min(s, 30) * 4096});
  // 1 MiB at once, then nothing: the first 30 s average far above the floor, the next not.
  burstThenDrip.push_back({1000, 1 << 20});
  for (int s = 2; s <= 90; ++s) burstThenDrip.push_back({s * 1000, (1 << 20) + s});
  // 40 KiB every 20 s: any 30 s holds at least one burst.
  for (int s = 20; s <= 200; s += 20) burstsAbove.push_back({s * 1000, s / 20 * 40960});

  EXPECT_EQ(FirstBreach(steady), -1);
  EXPECT_EQ(FirstBreach(drip), 2);         // at 30 s: 3 bytes in 30 s
  // 4 KiB a second, then nothing from 30 s: at 53 s the 30 s since 23 s brought 28 KiB.
  EXPECT_EQ(FirstBreach(lateStall), 52);
  EXPECT_EQ(FirstBreach(burstThenDrip), 30);  // 31 s: the window from 1 s holds 30 bytes
  EXPECT_EQ(FirstBreach(burstsAbove), -1);
  EXPECT_EQ(FirstBreach({}), -1);
}

}  // namespace
