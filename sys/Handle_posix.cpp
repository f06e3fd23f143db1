#include <unistd.h>

#include "sys/Handle.h"

namespace sys {

bool UniqueHandle::Valid() const { return handle_ >= 0; }

bool UniqueHandle::Close() {
  if (!Valid()) return true;
  return close(Release()) == 0;
}

}  // namespace sys
