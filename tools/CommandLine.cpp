#include "tools/CommandLine.h"

#include "sys/FileSystem.h"

const char kUpdateUsage[] =
    "usage: quillet-update [--dir DIR] [--host HOST] [--path URL] check|update\n"
    "  check   print the installed and the newest version and the files an update fetches\n"
    "          (exit 0: current, 100: a newer release exists, 1: the check cannot be made)\n"
    "  update  download and install the newest release (exit 0: current or installed, 1: not)\n";

bool ParseUpdateCommandLine(const std::vector<std::string> &args, UpdateCommandLine &out) {
  out = UpdateCommandLine();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    std::string *option = arg == "--dir"    ? &out.Dir
                          : arg == "--host" ? &out.Host
                          : arg == "--path" ? &out.Path
                                            : nullptr;
    if (option) {
      if (i + 1 >= args.size() || args[i + 1].empty()) return false;
      *option = args[++i];
    } else if ((arg == "check" || arg == "update") && out.Command.empty()) {
      out.Command = arg;
    } else {
      return false;
    }
  }
  if (out.Command.empty()) return false;
  out.Dir = sys::WithTrailingSeparator(out.Dir);
  if (!out.Path.empty() && out.Path.back() != '/') out.Path += '/';
  return true;
}

const char kPublishUsage[] =
    "usage: quillet-publish --server DIR --release DIR [--version V] [--dry-run]\n"
    "  --server   the folder the web server serves as the update base URL (created when missing)\n"
    "  --release  the complete program folder of the new release\n"
    "  --version  the release's version (default: the \"FileVersion\" of its Quillet.exe)\n"
    "  --dry-run  print what would be published and change nothing\n"
    "exit 0: published (or would be), 1: refused or failed, 2: bad usage\n";

bool ParsePublishCommandLine(const std::vector<std::string> &args, PublishCommandLine &out) {
  out = PublishCommandLine();
  PublishOptions &options = out.Options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    std::string *option = arg == "--server"    ? &options.ServerDir
                          : arg == "--release" ? &options.ReleaseDir
                          : arg == "--version" ? &options.Version
                                               : nullptr;
    if (option) {
      if (!option->empty() || i + 1 >= args.size() || args[i + 1].empty()) return false;
      *option = args[++i];
    } else if (arg == "--dry-run" && !out.DryRun) {
      out.DryRun = true;
    } else {
      return false;
    }
  }
  if (options.ServerDir.empty() || options.ReleaseDir.empty()) return false;
  options.ServerDir = sys::WithTrailingSeparator(options.ServerDir);
  options.ReleaseDir = sys::WithTrailingSeparator(options.ReleaseDir);
  return true;
}
