#include "tools/CommandLine.h"

#include "sys/FileSystem.h"

const char kUpdateUsage[] =
    "usage: quillet-update [--dir DIR] [--host HOST] [--path URL] [--proxy URL|none] check|update\n"
    "  --proxy  the HTTP proxy (http://[user:password@]host:port), or none, instead of the system's\n"
    "  check   print the installed and the newest version and the files an update fetches\n"
    "          (exit 0: current, 100: a newer release exists, 1: the check cannot be made)\n"
    "  update  download and install the newest release (exit 0: current or installed, 1: not)\n";

bool ParseUpdateCommandLine(const std::vector<std::string> &args, UpdateCommandLine &out) {
  out = UpdateCommandLine();
  std::string proxy;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    std::string *option = arg == "--dir"    ? &out.Dir
                          : arg == "--host" ? &out.Host
                          : arg == "--path" ? &out.Path
                          : arg == "--proxy" ? &proxy
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
  if (!proxy.empty()) {
    out.ProxyGiven = true;
    if (proxy != "none" && !ParseProxyUrl(proxy, out.Proxy.Proxy)) return false;
  }
  out.Dir = sys::WithTrailingSeparator(out.Dir);
  if (!out.Path.empty() && out.Path.back() != '/') out.Path += '/';
  return true;
}

const char kPublishUsage[] =
    "usage: quillet-publish --server DIR --release DIR [--version V] [--key PRIVATE.pem ...]\n"
    "                       [--valid-days N] [--min-serial N] [--adopt-unsigned DIR ...] [--dry-run]\n"
    "       quillet-publish refresh --server DIR --key PRIVATE.pem [--key ...] [--valid-days N]\n"
    "                       [--min-serial N] [--adopt-unsigned DIR ...] [--dry-run]\n"
    "       quillet-publish keygen --private FILE --public FILE\n"
    "  --server      the folder the web server serves as the update base URL (created when missing)\n"
    "  --release     the complete program folder of the new release\n"
    "  --version     the release's version (default: the \"FileVersion\" of its Quillet.exe)\n"
    "  --key         sign with this private key (PKCS#8 PEM); once a folder is signed, always\n"
    "  --valid-days  how long the signed manifest stays valid (default 30, at most 3650)\n"
    "  --min-serial  the lowest serial to sign with (after restoring the server folder from a backup)\n"
    "  --adopt-unsigned DIR\n"
    "                sign a folder whose signature is missing or made by another key: every file the\n"
    "                manifest lists must be served exactly as one of these release folders holds it\n"
    "  --dry-run     print what would be published and change nothing\n"
    "  refresh       sign the current manifest again with a new serial and expiry\n"
    "  keygen        make a new P-256 key pair (the private file readable by its owner only)\n"
    "exit 0: published (or would be), 1: refused or failed, 2: bad usage\n";

bool ParsePublishCommandLine(const std::vector<std::string> &args, PublishCommandLine &out) {
  out = PublishCommandLine();
  PublishOptions &options = out.Options;
  std::size_t first = 0;
  if (!args.empty() && (args[0] == "refresh" || args[0] == "keygen")) {
    options.Refresh = args[0] == "refresh";
    out.KeyGen = args[0] == "keygen";
    first = 1;
  }
  std::string validDays, minSerial;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string &arg = args[i];
    std::string *option = arg == "--server"       ? &options.ServerDir
                          : arg == "--release"    ? &options.ReleaseDir
                          : arg == "--version"    ? &options.Version
                          : arg == "--valid-days" ? &validDays
                          : arg == "--min-serial" ? &minSerial
                          : arg == "--private"    ? &out.PrivateKeyFile
                          : arg == "--public"     ? &out.PublicKeyFile
                                                  : nullptr;
    std::vector<std::string> *list = arg == "--key"              ? &options.KeyFiles
                                     : arg == "--adopt-unsigned" ? &options.AdoptFrom
                                                                 : nullptr;
    if (list) {
      if (i + 1 >= args.size() || args[i + 1].empty()) return false;
      list->push_back(args[++i]);
    } else if (option) {
      if (!option->empty() || i + 1 >= args.size() || args[i + 1].empty()) return false;
      *option = args[++i];
    } else if (arg == "--dry-run" && !out.DryRun) {
      out.DryRun = true;
    } else {
      return false;
    }
  }
  if (out.KeyGen) {
    // Only the two files.
    return !out.PrivateKeyFile.empty() && !out.PublicKeyFile.empty() && options.ServerDir.empty() &&
           options.ReleaseDir.empty() && options.Version.empty() && options.KeyFiles.empty() && validDays.empty() &&
           minSerial.empty() && options.AdoptFrom.empty() && !out.DryRun;
  }
  if (!out.PrivateKeyFile.empty() || !out.PublicKeyFile.empty()) return false;
  if (!validDays.empty()) {
    if (validDays.size() > 4 || validDays.find_first_not_of("0123456789") != std::string::npos) return false;
    options.ValidDays = std::stoi(validDays);
    if (options.ValidDays < 1 || options.ValidDays > 3650) return false;
  }
  if (!minSerial.empty()) {
    // Nineteen digits always fit the serial's 64 bits.
    if (minSerial.size() > 19 || minSerial.find_first_not_of("0123456789") != std::string::npos) return false;
    options.MinSerial = std::stoull(minSerial);
    if (options.MinSerial == 0) return false;
  }
  // Both only say how to sign.
  if ((options.MinSerial != 0 || !options.AdoptFrom.empty()) && options.KeyFiles.empty()) return false;
  if (options.ServerDir.empty()) return false;
  if (options.Refresh ? (!options.ReleaseDir.empty() || !options.Version.empty() || options.KeyFiles.empty())
                      : options.ReleaseDir.empty()) {
    return false;
  }
  options.ServerDir = sys::WithTrailingSeparator(options.ServerDir);
  if (!options.Refresh) options.ReleaseDir = sys::WithTrailingSeparator(options.ReleaseDir);
  for (std::string &dir : options.AdoptFrom) dir = sys::WithTrailingSeparator(dir);
  return true;
}
