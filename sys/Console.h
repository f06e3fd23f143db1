#pragma once
#include <cstdio>

namespace sys {
// Whether stream is an interactive terminal (a progress bar makes sense there).
bool IsTerminal(std::FILE *stream);
}  // namespace sys
