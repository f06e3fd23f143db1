#pragma once
#include "sys/Platform.h"

namespace sys {

// Owner of one OS handle: a file descriptor on POSIX, a HANDLE on Windows (a file, a
// process, a snapshot, a thread, an event). The destructor closes it. On Windows both of
// the system's "no handle" values, null and INVALID_HANDLE_VALUE, count as none.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(NativeHandle handle) : handle_(handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.Release()) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;

  bool Valid() const;
  NativeHandle Get() const { return handle_; }
  // Gives the handle up without closing it.
  NativeHandle Release() {
    NativeHandle handle = handle_;
    handle_ = kInvalidNativeHandle;
    return handle;
  }
  void Reset(NativeHandle handle = kInvalidNativeHandle) {
    Close();
    handle_ = handle;
  }
  // Closes the handle now; false when the system reports an error (on POSIX that may be
  // a write it could not complete). Harmless without a handle.
  bool Close();

 private:
  NativeHandle handle_ = kInvalidNativeHandle;
};

}  // namespace sys
