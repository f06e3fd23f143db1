// The downloader side of bench/download.
//   download_bench URL LOCALFILE   fetches URL into LOCALFILE; prints the peak resident
//                                  memory in KiB (0 where the system does not report
//                                  it); exit status 0 only when the whole file arrived.
//   download_bench --sleep-cost N  prints the mean cost in milliseconds of one 1 ms pause,
//                                  measured over N pauses at fine timer resolution.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "net/HttpFileDown.h"
#include "sys/Event.h"
#include "sys/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The high-water mark of resident memory, from /proc on Linux; 0 where there is none.
long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

int MeasureSleepCost(int count) {
  sys::FineTimerResolution fine;
  Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) sys::SleepMs(1);
  std::printf("%.4f\n", MillisecondsSince(start) / count);
  return 0;
}

int Download(const char *url, const char *localFile) {
  THttpFileDown down;
  sys::Event done(sys::Event::Mode::AutoReset);
  down.OnDowned = [&](TObject *) { done.Set(); };
  down.SetUrl(url);
  down.SetLocalFile(localFile);
  down.Start();
  done.Wait(sys::InfiniteWait);
  std::printf("%ld\n", PeakResidentKiB());
  return down.LastJobComplete() ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "--sleep-cost") == 0) return MeasureSleepCost(std::atoi(argv[2]));
  if (argc == 3) return Download(argv[1], argv[2]);
  std::fprintf(stderr, "usage: download_bench URL LOCALFILE | --sleep-cost N\n");
  return 2;
}
