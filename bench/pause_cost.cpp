// Measures what one 1 ms pause costs on this machine, as the downloader pauses after every
// 4096-byte chunk: with the timer at the fine resolution the downloader asks for.
//   pause_cost N   prints the mean cost in milliseconds of one pause, over N pauses
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "sys/Thread.h"

int main(int argc, char **argv) {
  const int count = argc == 2 ? std::atoi(argv[1]) : 0;
  if (count <= 0) {
    std::fprintf(stderr, "usage: pause_cost N\n");
    return 2;
  }
  sys::FineTimerResolution fine;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) sys::SleepMs(1);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", elapsed.count() / count);
  return 0;
}
