#pragma once
#include <string>

#include "sys/Handle.h"

namespace sys {

// An exclusive lock on a file, held while the object holds it and released by the system
// when the process ends, however it ends. Two holders in one process exclude each other as
// two processes do: flock on POSIX, an open without sharing on Windows.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock &) = delete;
  FileLock &operator=(const FileLock &) = delete;

  enum class Result { kLocked, kHeldElsewhere, kFailed };
  // Creates path if needed and takes the lock without waiting. kFailed when the file
  // cannot be opened or locked for another reason than another holder (LastErrorText
  // says why); locking again while holding it changes nothing.
  Result TryLock(const std::string &path);
  bool Held() const { return file_.Valid(); }
  void Unlock() { file_.Close(); }

 private:
  UniqueHandle file_;
};

}  // namespace sys
