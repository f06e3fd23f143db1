#pragma once
#include <string>
#include <vector>

#include "net/Proxy.h"
#include "tools/Publisher.h"

// The console front end's command line:
//   quillet-update [--dir DIR] [--host HOST] [--path URL] [--proxy URL|none] check|update
struct UpdateCommandLine {
  std::string Dir;      // program directory, with a trailing separator; empty: the tool's own
  std::string Host;     // update host; empty: the built-in host
  std::string Path;     // base URL ending in "/"; empty: derived from the host
  // The proxy instead of the system's: Direct for "none"; unset when not given.
  bool ProxyGiven = false;
  TProxyConfig Proxy;
  std::string Command;  // "check" or "update"
};

// Parses args (without the program name). False on bad usage.
bool ParseUpdateCommandLine(const std::vector<std::string> &args, UpdateCommandLine &out);

extern const char kUpdateUsage[];

// The publisher's command lines:
//   quillet-publish --server DIR --release DIR [--version V] [--key PRIVATE.pem ...]
//                   [--valid-days N] [--dry-run]
//   quillet-publish refresh --server DIR --key PRIVATE.pem [--key ...] [--valid-days N] [--dry-run]
//   quillet-publish keygen --private FILE --public FILE
struct PublishCommandLine {
  PublishOptions Options;  // folders with a trailing separator
  bool DryRun = false;
  bool KeyGen = false;
  std::string PrivateKeyFile, PublicKeyFile;  // for keygen
};

// Parses args (without the program name). False on bad usage.
bool ParsePublishCommandLine(const std::vector<std::string> &args, PublishCommandLine &out);

extern const char kPublishUsage[];
