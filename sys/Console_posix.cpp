#include "sys/Console.h"

#include <unistd.h>

namespace sys {
bool IsTerminal(std::FILE *stream) { return isatty(fileno(stream)) != 0; }
}  // namespace sys
