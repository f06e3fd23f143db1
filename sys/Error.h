#pragma once
#include <stdexcept>
#include <string>

namespace sys {

// The one exception type of the program. It is raised only where the design raises errors
// (URL validation, a refused INI write, the probe's set-up) and carries the message text.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string &message) : std::runtime_error(message) {}
};

// The system's own reason for the calling thread's last failed call, as the system words
// it ("No space left on device"): strerror of errno on POSIX, FormatMessageA of
// GetLastError on Windows, without a trailing line end or full stop. Read it right after
// the failure, before another system call can replace it.
std::string LastErrorText();

// what + ": " + LastErrorText(), for messages that say why ("cannot write x: ...").
std::string WithLastError(const std::string &what);

}  // namespace sys
