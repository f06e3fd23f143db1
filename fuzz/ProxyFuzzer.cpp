// The readers of proxy settings, which come from the environment and the registry: the
// proxy's URL, curl's no_proxy list, Windows' bypass list and WinHTTP's proxy text, and the
// choice between the proxy and going direct.
//
// Input: a proxy text, then after a zero byte a list of hosts to bypass, then after
// another a host to ask for.

#include "fuzz/FuzzSupport.h"
#include "net/Proxy.h"

namespace {

using fuzz::Require;

void RequireWellFormed(const TProxy &proxy, bool parsed) {
  if (!parsed) {
    Require(proxy.Direct() && !proxy.HasCredentials(), "a text that names no proxy leaves none");
    return;
  }
  Require(!proxy.Host.empty() && proxy.Host.find_first_of("/@ ") == std::string::npos,
          "a proxy's host is one name, without a path, user or blank");
  Require(proxy.Port >= 1 && proxy.Port <= 65535, "a proxy's port is a port");
}

// The names of a list as the user wrote them, split at any of separators.
std::vector<std::string> Names(const std::string &text, const char *separators) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find_first_of(separators, start);
    names.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::string> parts = fuzz::SplitAtZeros(data, size, 3);
  const std::string &proxyText = parts[0];
  const std::string bypassText = parts.size() > 1 ? parts[1] : std::string();
  const std::string host = parts.size() > 2 ? parts[2] : std::string("updates.example");

  TProxyConfig curl, windows;
  RequireWellFormed(curl.Proxy, ParseProxyUrl(proxyText, curl.Proxy));
  RequireWellFormed(windows.Proxy, ParseWinHttpProxy(proxyText, windows.Proxy));
  ParseNoProxy(bypassText, curl);
  ParseProxyBypass(bypassText, windows);

  for (const TProxyConfig *config : {&curl, &windows}) {
    const TProxy chosen = ProxyFor(*config, host);
    Require(chosen.Direct() || (chosen.Host == config->Proxy.Host && chosen.Port == config->Proxy.Port),
            "a request goes direct or through the configured proxy");
  }
  // Every name on curl's list goes direct (a range is not a name; "*" is no wildcard).
  for (std::string name : Names(bypassText, ", \t")) {
    if (!name.empty() && name.front() == '.') name.erase(0, 1);
    if (name.find_first_not_of('.') == std::string::npos || name.find_first_of("*/") != std::string::npos) continue;
    Require(ProxyFor(curl, name).Direct(), "a no_proxy name goes direct");
  }
  // Every entry of Windows' list without a wildcard goes direct itself.
  for (const std::string &entry : Names(bypassText, "; \t\r\n")) {
    if (entry.find_first_not_of('.') == std::string::npos || entry.find('*') != std::string::npos) continue;
    Require(ProxyFor(windows, entry).Direct(), "a bypass entry goes direct");
  }
  return 0;
}
