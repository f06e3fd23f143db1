#include "tests/tools/TestSeams.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/Thread.h"

namespace {

const char kTimeLimitsVariable[] = "QUILLET_TEST_TIME_LIMITS";
const char kPauseVariable[] = "QUILLET_TEST_PAUSE_INSTALL";
// A test that never removes the marker fails by its own bound; the tool then goes on.
constexpr unsigned kMaxPauseMs = 120000;
constexpr unsigned kPausePollMs = 10;

std::string Variable(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

// Writes the marker and waits until it is gone.
void Pause(const std::string &marker) {
  std::ofstream(marker, std::ios::binary) << "paused\n";
  for (unsigned waited = 0; waited < kMaxPauseMs && sys::FileExists(marker); waited += kPausePollMs) {
    sys::SleepMs(kPausePollMs);
  }
}

}  // namespace

bool ParseTimeLimits(const std::string &Text, THttpFileDown::TimeLimits &Limits) {
  constexpr long kMaxMs = 24L * 3600 * 1000;
  std::istringstream in(Text);
  int ms[4];
  for (int &value : ms) {
    std::string field;
    if (!std::getline(in, field, ',') || field.empty()) return false;
    char *end = nullptr;
    const long parsed = std::strtol(field.c_str(), &end, 10);
    if (*end != '\0' || parsed <= 0 || parsed > kMaxMs) return false;
    value = int(parsed);
  }
  if (in.peek() != std::char_traits<char>::eof()) return false;
  Limits = THttpFileDown::TimeLimits{ms[0], ms[1], ms[2], ms[3]};
  return true;
}

void ApplyTestSeams(TSoftUpdater &Updater) {
  const std::string limitsText = Variable(kTimeLimitsVariable);
  if (!limitsText.empty()) {
    THttpFileDown::TimeLimits limits = THttpFileDown::kDefaultTimeLimits;
    if (!ParseTimeLimits(limitsText, limits)) {
      throw sys::Error(std::string(kTimeLimitsVariable) + " must be \"connect,send,receive,header\" in ms");
    }
    Updater.SetTimeLimits(limits);
  }
  const std::string point = Variable(kPauseVariable);
  if (point.empty()) return;
  const std::string marker = Updater.FCacheDir + "paused-" + point;
  auto paused = std::make_shared<bool>(false);
  Updater.SetInstallStepHook([point, marker, paused](const char *reached) {
    if (*paused || point != reached) return;
    *paused = true;
    Pause(marker);
  });
}
