#include <windows.h>

#include "sys/FileLock.h"

namespace sys {

FileLock::Result FileLock::TryLock(const std::string &path) {
  if (Held()) return Result::kLocked;
  // Opened without sharing: every other open of the file fails until this handle closes.
  file_.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
  if (Held()) return Result::kLocked;
  return GetLastError() == ERROR_SHARING_VIOLATION ? Result::kHeldElsewhere : Result::kFailed;
}

}  // namespace sys
