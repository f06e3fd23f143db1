#include "tools/CommandLine.h"

#include "sys/FileSystem.h"

const char UpdateUsage[] =
    "usage: quillet-update [--dir DIR] [--host HOST] [--path URL] check|update\n"
    "  check   print the installed and the newest version and the files an update fetches\n"
    "          (exit 0: current, 100: a newer release exists, 1: the check cannot be made)\n"
    "  update  download and install the newest release (exit 0: current or installed, 1: not)\n";

bool ParseUpdateCommandLine(const std::vector<std::string> &args, UpdateCommandLine &out) {
  out = UpdateCommandLine();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    std::string *option = arg == "--dir" ? &out.Dir : arg == "--host" ? &out.Host : arg == "--path" ? &out.Path : nullptr;
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
