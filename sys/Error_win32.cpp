#include <windows.h>

#include "sys/Error.h"

namespace sys {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char *text = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
  std::string reason = length ? std::string(text, length) : "error " + std::to_string(code);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == '.')) reason.pop_back();
  return reason;
}

}  // namespace sys
