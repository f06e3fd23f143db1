#include "sys/uGlobal.h"

#include <windows.h>

std::string ExecutableDirectory() {
  // Room for MAX_PATH characters and the terminator, as the program always had.
  char path[261];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return CutAfterLastSeparator(std::string(path, n));
}
