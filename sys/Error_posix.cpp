#include <cerrno>
#include <cstring>

#include "sys/Error.h"

namespace sys {

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace sys
