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

}  // namespace sys
