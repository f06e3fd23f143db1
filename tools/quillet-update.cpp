// quillet-update: the updater without a window, for terminals and scripts.
#include <chrono>
#include <clocale>
#include <cstdio>

#include "engine/DefaultServer.h"
#include "engine/SoftUpdater.h"
#include "sys/Console.h"
#include "sys/Event.h"
#include "sys/GlobalUtils.h"
#include "sys/Thread.h"
#include "tools/CommandLine.h"
#include "tools/ProgressReport.h"
#include "tools/TestSeams.h"

namespace {

enum ExitCode { Success = 0, Failure = 1, BadUsage = 2, NewerReleaseExists = 100 };

const char MainFileName[] = "Quillet.exe";
// The running main program needs a moment to let go of its files once it is ended.
constexpr unsigned PauseAfterEndingMs = 1000;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int Fail(const std::string &reason) {
  std::fprintf(stderr, "quillet-update: %s\n", reason.c_str());
  return Failure;
}

void PrintCheck(TSoftUpdater &updater) {
  const std::string installed = updater.GetCurrVersion();
  std::printf("Installed version: %s\n", installed.empty() ? "(none)" : installed.c_str());
  std::printf("Newest version:    %s\n", updater.GetNewVersion().c_str());
  if (updater.FFileList.Empty()) return;
  std::printf("Files to fetch (%d):\n", updater.FFileList.Count());
  for (const std::string &name : updater.FFileList) std::printf("  %s\n", name.c_str());
}

int Update(TSoftUpdater &updater) {
  ProgressReport progress(updater, stdout, sys::IsTerminal(stdout));
  sys::Event chainEnded(sys::Event::Mode::ManualReset);
  updater.OnFileAllDowned = [&](TObject *) { chainEnded.Set(); };

  const Clock::time_point downloadStart = Clock::now();
  updater.StartDownload();
  chainEnded.Wait(sys::InfiniteWait);
  const double downloadSeconds = SecondsSince(downloadStart);

  int installed = 0;
  double installSeconds = 0;
  if (updater.LastChainComplete()) {
    KillProcess(MainFileName);
    sys::SleepMs(PauseAfterEndingMs);
    const Clock::time_point installStart = Clock::now();
    updater.OnCopyFile = [&installed](TObject *, const std::string &, const std::string &dest, int, int) {
      ++installed;
      std::printf("  installed %s\n", dest.c_str());
    };
    updater.CopyFiles();
    installSeconds = SecondsSince(installStart);
  }
  std::printf("Downloaded %d files (%lld bytes) in %.3f s; installed %d files in %.3f s\n", progress.FilesDownloaded(),
              static_cast<long long>(progress.BytesDownloaded()), downloadSeconds, installed, installSeconds);
  std::fflush(stdout);
  if (!updater.LastChainComplete()) return Fail("not every file arrived whole; nothing was installed");
  if (!updater.LastInstallComplete()) return Fail("some files could not be installed");
  std::printf("Updated to version %s\n", updater.GetCurrVersion().c_str());
  return Success;
}

int Run(const UpdateCommandLine &options) {
  TSoftUpdater updater(nullptr, options.Dir);
  updater.Host = options.Host.empty() ? DefaultUpdateHost() : options.Host;
  updater.Path = options.Path.empty() ? UpdatePathForHost(updater.Host) : options.Path;
  updater.MainFile = updater.FAppDir + MainFileName;
  ApplyTestSeams(updater);

  std::string message;
  const int result = updater.CheckUpdate(message);
  if (result < 0) return Fail(message);
  if (options.Command == "check") {
    PrintCheck(updater);
    return result == 0 ? Success : NewerReleaseExists;
  }
  if (result == 0) {
    std::printf("Version %s is current; nothing to update\n", updater.GetCurrVersion().c_str());
    return Success;
  }
  PrintCheck(updater);
  return Update(updater);
}

}  // namespace

int main(int argc, char **argv) {
  // Texts are in the system code page; on POSIX that is the locale's.
  std::setlocale(LC_ALL, "");
  UpdateCommandLine options;
  if (!ParseUpdateCommandLine(std::vector<std::string>(argv + 1, argv + argc), options)) {
    std::fputs(UpdateUsage, stderr);
    return BadUsage;
  }
  try {
    return Run(options);
  } catch (const std::exception &error) {
    return Fail(error.what());
  }
}
