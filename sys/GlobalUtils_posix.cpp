#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "sys/FileSystem.h"
#include "sys/GlobalUtils.h"
#include "sys/TextCase.h"

// The process listing is /proc, in ascending process id order. A process's executable
// file name is taken from its own executable path, since the short name the kernel keeps
// (comm) is cut to 15 characters.

namespace {
std::vector<pid_t> RunningProcessIds() {
  std::vector<pid_t> ids;
  std::vector<sys::DirectoryEntry> entries;
  sys::ListDirectory("/proc", entries);
  for (const sys::DirectoryEntry &entry : entries) {
    char *end;
    long id = std::strtol(entry.Name.c_str(), &end, 10);
    if (*end == '\0' && id > 0) ids.push_back(pid_t(id));
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The last component of the process's executable path; false for processes without one
// (kernel threads, zombies) and for those whose path we may not read.
bool ExecutableFileName(pid_t id, std::string *name) {
  char path[PATH_MAX];
  ssize_t n = readlink(("/proc/" + std::to_string(id) + "/exe").c_str(), path, sizeof path);
  if (n <= 0 || std::size_t(n) == sizeof path) return false;
  std::string full(path, std::size_t(n));
  *name = full.substr(full.rfind('/') + 1);
  return true;
}
}  // namespace

bool KillProcess(const std::string &ExeName) {
  for (pid_t id : RunningProcessIds()) {
    std::string name;
    if (!ExecutableFileName(id, &name) || !sys::SameTextIgnoringAsciiCase(ExeName, name)) continue;
    // Like a process that cannot be opened on Windows, one we may not signal ends the search.
    return kill(id, SIGKILL) == 0;
  }
  return false;
}
