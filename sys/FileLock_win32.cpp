#include <windows.h>

#include "sys/FileLock.h"

namespace sys {

bool FileLock::TryLock(const std::string &path) {
  if (Held()) return true;
  // Opened without sharing: every other open of the file fails until this handle closes.
  file_.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
  return Held();
}

}  // namespace sys
