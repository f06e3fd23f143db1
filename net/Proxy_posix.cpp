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
  // A value that names no proxy (another scheme, no host) leaves requests direct.
  ParseProxyUrl(Variable("http_proxy", "HTTP_PROXY"), config.Proxy);
  config.Bypass = ParseNoProxy(Variable("no_proxy", "NO_PROXY"));
  return config;
}
