#include "sys/Error.h"

namespace sys {

std::string WithLastError(const std::string &what) { return what + ": " + LastErrorText(); }

}  // namespace sys
