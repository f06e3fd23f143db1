// The proxy of plain HTTP on Windows: the user's Internet Options, read through WinHTTP
// (loaded at run time, so that a system without it simply goes direct).
#include <windows.h>

#include "net/Proxy.h"
#include "sys/Library.h"

namespace {

// WinHttpGetIEProxyConfigForCurrentUser's result, as winhttp.h declares it.
struct IeProxyConfig {
  BOOL fAutoDetect;
  LPWSTR lpszAutoConfigUrl;
  LPWSTR lpszProxy;
  LPWSTR lpszProxyBypass;
};
using GetIeProxyConfig = BOOL(WINAPI *)(IeProxyConfig *);

// Wide text in the system code page; the strings WinHTTP hands over are freed here.
std::string TakeNarrow(LPWSTR text) {
  if (!text) return std::string();
  std::string narrow;
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length > 1) {
    narrow.resize(std::size_t(length - 1));
    WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
  }
  GlobalFree(text);
  return narrow;
}

}  // namespace

TProxyConfig SystemProxyConfig() {
  TProxyConfig config;
  const sys::LoadedLibrary winhttp("winhttp.dll");
  const auto get = reinterpret_cast<GetIeProxyConfig>(winhttp.Symbol("WinHttpGetIEProxyConfigForCurrentUser"));
  IeProxyConfig ie{};
  if (!get || !get(&ie)) return config;
  TakeNarrow(ie.lpszAutoConfigUrl);
  const std::string proxy = TakeNarrow(ie.lpszProxy), bypass = TakeNarrow(ie.lpszProxyBypass);
  if (ParseWinHttpProxy(proxy, config.Proxy)) ParseProxyBypass(bypass, config);
  return config;
}
