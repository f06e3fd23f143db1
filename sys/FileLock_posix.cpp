#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "sys/FileLock.h"

namespace sys {

FileLock::Result FileLock::TryLock(const std::string &path) {
  if (Held()) return Result::kLocked;
  UniqueHandle file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!file.Valid()) return Result::kFailed;
  // flock belongs to the open file, not to the process: a second open here excludes too.
  while (flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return Result::kHeldElsewhere;
    if (errno != EINTR) return Result::kFailed;
  }
  file_ = std::move(file);
  return Result::kLocked;
}

}  // namespace sys
