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

// The short name the kernel keeps of every running process, readable for anyone's: the
// executable's file name cut to 15 characters (comm, from /proc/<id>/stat). False when
// the process has gone or has ended and waits to be reaped (a zombie runs no longer).
bool ShortNameOfRunning(pid_t id, std::string *name) {
  std::string stat;
  if (!sys::ReadWholeFile("/proc/" + std::to_string(id) + "/stat", stat)) return false;
  // "<id> (<comm>) <state> ...": the name may itself hold blanks and parentheses.
  const std::size_t open = stat.find('('), close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open || close + 2 >= stat.size()) {
    return false;
  }
  const char state = stat[close + 2];
  if (state == 'Z' || state == 'X') return false;
  *name = stat.substr(open + 1, close - open - 1);
  return true;
}

constexpr std::size_t kShortNameLength = 15;

}  // namespace

bool KillProcess(const std::string &ExeName) {
  for (pid_t id : RunningProcessIds()) {
    std::string name;
    if (ExecutableFileName(id, &name)) {
      if (!sys::SameTextIgnoringAsciiCase(ExeName, name)) continue;
      // Like a process that cannot be opened on Windows, one we may not signal ends the search.
      return kill(id, SIGKILL) == 0;
    }
    // A process whose executable we may not read (another user's) is still listed by its
    // short name, as Windows lists every process by its name. One that may be the program
    // ends the search, as on Windows a first match that cannot be opened does.
    if (ShortNameOfRunning(id, &name) &&
        sys::SameTextIgnoringAsciiCase(ExeName.substr(0, kShortNameLength), name)) {
      return false;
    }
  }
  return false;
}
