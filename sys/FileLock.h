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

  // Creates path if needed and takes the lock without waiting; false when another holder
  // has it or the file cannot be opened (LastErrorText says why).
  bool TryLock(const std::string &path);
  bool Held() const { return file_.Valid(); }
  void Unlock() { file_.Close(); }

 private:
  UniqueHandle file_;
};

}  // namespace sys
