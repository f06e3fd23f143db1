#include "sys/Socket.h"

#include <utility>

namespace sys {

std::string FormatIPv4(std::uint32_t address) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(&address);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}

Socket::~Socket() { Close(); }

Socket::Socket(Socket &&other) noexcept : s_(std::exchange(other.s_, kInvalidNativeSocket)) {}

Socket &Socket::operator=(Socket &&other) noexcept {
  if (this != &other) {
    Close();
    s_ = std::exchange(other.s_, kInvalidNativeSocket);
  }
  return *this;
}

bool Socket::SendAll(const void *data, int n) {
  const char *bytes = static_cast<const char *>(data);
  while (n > 0) {
    int sent = Send(bytes, n);
    if (sent <= 0) return false;
    bytes += sent;
    n -= sent;
  }
  return true;
}

}  // namespace sys
