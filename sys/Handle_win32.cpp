#include <windows.h>

#include "sys/Handle.h"

namespace sys {

bool UniqueHandle::Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

bool UniqueHandle::Close() {
  if (!Valid()) return true;
  return CloseHandle(Release()) != FALSE;
}

}  // namespace sys
