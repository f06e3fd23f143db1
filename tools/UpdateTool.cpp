#include "tools/UpdateTool.h"

#include <chrono>
#include <clocale>
#include <cstdio>

#include "engine/BuiltInSettings.h"
#include "engine/ManifestVocabulary.h"
#include "sys/Console.h"
#include "sys/Event.h"
#include "tools/CommandLine.h"
#include "tools/ProgressReport.h"

namespace {

enum ExitCode { kSuccess = 0, kFailure = 1, kBadUsage = 2, kNewerReleaseExists = 100 };

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int Fail(const std::string &reason) {
  std::fprintf(stderr, "quillet-update: %s\n", reason.c_str());
  return kFailure;
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
  chainEnded.Wait(sys::kInfiniteWait);
  const double downloadSeconds = SecondsSince(downloadStart);

  int installed = 0;
  updater.OnCopyFile = [&installed](TObject *, const std::string &, const std::string &dest, int, int) {
    ++installed;
    std::printf("  installed %s\n", dest.c_str());
  };
  // The installation's time is taken from after the pause that lets the program go.
  Clock::time_point installStart = Clock::now();
  const TInstallOutcome outcome =
      updater.EndMainProgramAndInstall(kMainProgramExitPauseMs, [&installStart] { installStart = Clock::now(); });
  const double installSeconds =
      outcome == TInstallOutcome::ChainIncomplete ? 0 : SecondsSince(installStart) - kMainProgramExitPauseMs / 1000.0;
  std::printf("Downloaded %d files (%lld bytes) in %.3f s; installed %d files in %.3f s\n", progress.FilesDownloaded(),
              static_cast<long long>(progress.BytesDownloaded()), downloadSeconds, installed, installSeconds);
  std::fflush(stdout);
  switch (outcome) {
    case TInstallOutcome::ChainIncomplete:
      return Fail(updater.FailureReason());
    case TInstallOutcome::InstallFailed:
      return Fail("the update was not installed: " + updater.FailureReason());
    case TInstallOutcome::Installed:
      break;
  }
  std::printf("Updated to version %s\n", updater.GetCurrVersion().c_str());
  return kSuccess;
}

int Run(const UpdateCommandLine &options, const std::function<void(TSoftUpdater &)> &prepare) {
  TSoftUpdater updater(nullptr, options.Dir);
  updater.Host = options.Host.empty() ? DefaultUpdateHost() : options.Host;
  updater.HostProbe = BuiltInHostProbe();
  if (options.ProxyGiven) updater.SetProxyConfig(options.Proxy);
  updater.Path = options.Path.empty() ? UpdatePathForHost(updater.Host) : options.Path;
  updater.MainFile = updater.FAppDir + vocabulary::kMainFileName;
  std::vector<crypto::PublicKey> keys;
  if (!BuiltInTrustedKeys(keys)) return Fail("the keys this program was built to trust cannot be read; nothing was checked");
  updater.SetTrustedKeys(keys);
  if (keys.empty()) {
    std::fputs("quillet-update: warning: the manifest is not verified: this build trusts no signing key\n", stderr);
  }
  if (prepare) prepare(updater);

  std::string message;
  const int result = updater.CheckUpdate(message);
  if (result < 0) return Fail(updater.FailureReason().empty() ? message : updater.FailureReason());
  if (options.Command == "check") {
    PrintCheck(updater);
    return result == 0 ? kSuccess : kNewerReleaseExists;
  }
  if (result == 0) {
    std::printf("Version %s is current; nothing to update\n", updater.GetCurrVersion().c_str());
    return kSuccess;
  }
  PrintCheck(updater);
  return Update(updater);
}

}  // namespace

int RunUpdateTool(int argc, char **argv, const std::function<void(TSoftUpdater &)> &Prepare) {
  // Texts are in the system code page; on POSIX that is the locale's.
  std::setlocale(LC_ALL, "");
  UpdateCommandLine options;
  if (!ParseUpdateCommandLine(std::vector<std::string>(argv + 1, argv + argc), options)) {
    std::fputs(kUpdateUsage, stderr);
    return kBadUsage;
  }
  try {
    return Run(options, Prepare);
  } catch (const std::exception &error) {
    return Fail(error.what());
  }
}
