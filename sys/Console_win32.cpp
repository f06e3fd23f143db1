#include "sys/Console.h"

#include <io.h>

namespace sys {
bool IsTerminal(std::FILE *stream) { return _isatty(_fileno(stream)) != 0; }
}  // namespace sys
