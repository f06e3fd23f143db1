// The proxy of plain HTTP on POSIX: the environment, as curl reads it.
#include <cstdlib>

#include "net/Proxy.h"

namespace {

// The variable in lower case, else in upper case; empty when neither is set.
std::string Variable(const char *lower, const char *upper) {
  const char *value = std::getenv(lower);
  if (!value || !*value) value = std::getenv(upper);
  return value ? value : "";
}

}  // namespace

TProxyConfig SystemProxyConfig() {
  TProxyConfig config;
  const std::string proxy = Variable("http_proxy", "HTTP_PROXY");
  // A proxy this updater cannot follow (another scheme, no host) is said, never bypassed:
  // where a proxy is required, going direct only fails later and for another reason.
  if (!proxy.empty() && !ParseProxyUrl(proxy, config.Proxy)) {
    config.Problem = "http_proxy names no proxy this updater can use (http://host:port)";
  }
  ParseNoProxy(Variable("no_proxy", "NO_PROXY"), config);
  return config;
}
