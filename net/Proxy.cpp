#include "net/Proxy.h"

#include "net/HttpText.h"
#include "sys/TextCase.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = sys::AsciiLower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(const std::string &text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "host:port" or "host" into Proxy; false for an empty host or a port that is no number
// from 1 to 65535.
bool ReadHostPort(const std::string &text, int defaultPort, TProxy &proxy) {
  const std::size_t colon = text.rfind(':');
  proxy.Host = text.substr(0, colon);
  proxy.Port = defaultPort;
  if (colon != std::string::npos) {
    const std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
    proxy.Port = std::stoi(port);
  }
  return !proxy.Host.empty() && proxy.Host.find_first_of("/@ ") == std::string::npos && proxy.Port >= 1 &&
         proxy.Port <= 65535;
}

std::vector<std::string> Split(const std::string &text, const char *separators) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find_first_of(separators, start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// A name without its final dots: "example.com." is "example.com".
std::string WithoutFinalDots(std::string name) {
  while (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

// A dotted IPv4 address, most significant byte first; false for anything else.
bool ReadIPv4(const std::string &text, std::uint32_t &address) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t dot = text.find('.'); ; dot = text.find('.', start)) {
    parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() != 4) return false;
  address = 0;
  for (const std::string &part : parts) {
    if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) return false;
    const int value = std::stoi(part);
    if (value > 255) return false;
    address = address << 8 | std::uint32_t(value);
  }
  return true;
}

bool InRange(std::uint32_t address, const TProxyConfig::TRange &range) {
  const std::uint32_t mask = range.Bits == 0 ? 0 : ~std::uint32_t(0) << (32 - range.Bits);
  return (address & mask) == (range.Address & mask);
}

// Pattern with "*" for any run of characters against text, ASCII case aside.
bool Matches(const std::string &pattern, const std::string &text) {
  std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && sys::AsciiLower(pattern[p]) == sys::AsciiLower(text[t])) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool ParseProxyUrl(const std::string &Text, TProxy &Proxy, int DefaultPort) {
  Proxy = TProxy();
  std::string rest = net::TrimBlanks(Text);
  const std::size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    if (sys::LowerAscii(rest.substr(0, scheme)) != "http") return false;
    rest = rest.substr(scheme + 3);
  }
  // The credentials end at the last "@": a password may hold a "/" that was not encoded.
  const std::size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    const std::string userInfo = rest.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    Proxy.User = PercentDecoded(userInfo.substr(0, colon));
    if (colon != std::string::npos) Proxy.Password = PercentDecoded(userInfo.substr(colon + 1));
    rest = rest.substr(at + 1);
  }
  rest = rest.substr(0, rest.find('/'));
  if (ReadHostPort(rest, DefaultPort, Proxy)) return true;
  Proxy = TProxy();
  return false;
}

void ParseNoProxy(const std::string &Text, TProxyConfig &Config) {
  if (net::TrimBlanks(Text) == "*") {
    Config.Bypass.push_back("*");
    return;
  }
  for (std::string name : Split(Text, ", \t")) {
    // curl knows no wildcards: a name with "*" matches no host.
    if (name.find('*') != std::string::npos) continue;
    if (!name.empty() && name.front() == '.') name.erase(0, 1);
    name = WithoutFinalDots(name);
    if (name.empty()) continue;
    std::uint32_t address;
    const std::size_t slash = name.find('/');
    if (slash != std::string::npos) {
      const std::string bits = name.substr(slash + 1);
      if (ReadIPv4(name.substr(0, slash), address) && !bits.empty() && bits.size() <= 2 &&
          bits.find_first_not_of("0123456789") == std::string::npos && std::stoi(bits) <= 32) {
        Config.BypassRanges.push_back({address, std::stoi(bits)});
      }
      continue;
    }
    Config.Bypass.push_back(name);
    // An address is compared whole; a name covers the hosts under it.
    if (!ReadIPv4(name, address)) Config.Bypass.push_back("*." + name);
  }
}

void ParseProxyBypass(const std::string &Text, TProxyConfig &Config) {
  for (const std::string &entry : Split(Text, "; \t\r\n")) {
    if (sys::SameTextIgnoringAsciiCase(entry, "<local>")) {
      Config.BypassLocal = true;
    } else if (!WithoutFinalDots(entry).empty()) {
      // A name with its final dot is the same name.
      Config.Bypass.push_back(WithoutFinalDots(entry));
    }
  }
}

bool ParseWinHttpProxy(const std::string &Text, TProxy &Proxy) {
  // Windows takes a proxy without a port at port 80.
  constexpr int kWindowsDefaultPort = 80;
  for (const std::string &entry : Split(Text, "; \t")) {
    const std::size_t equals = entry.find('=');
    if (equals != std::string::npos && sys::LowerAscii(entry.substr(0, equals)) != "http") continue;
    if (ParseProxyUrl(equals == std::string::npos ? entry : entry.substr(equals + 1), Proxy, kWindowsDefaultPort)) {
      return true;
    }
  }
  Proxy = TProxy();
  return false;
}

TProxy ProxyFor(const TProxyConfig &Config, const std::string &Host) {
  const std::string host = WithoutFinalDots(Host);
  if (Config.BypassLocal && host.find('.') == std::string::npos) return TProxy();
  for (const std::string &pattern : Config.Bypass) {
    if (Matches(pattern, host)) return TProxy();
  }
  std::uint32_t address;
  if (ReadIPv4(host, address)) {
    for (const TProxyConfig::TRange &range : Config.BypassRanges) {
      if (InRange(address, range)) return TProxy();
    }
  }
  return Config.Proxy;
}
