#include "sys/uGlobal.h"

#include <unistd.h>

#include <climits>

std::string ExecutableDirectory() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? CutAfterLastSeparator(std::string(path, std::size_t(n))) : std::string("./");
}
