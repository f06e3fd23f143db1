#include "tests/support/ListeningSocket.h"

#include <winsock2.h>

namespace testing_support {

bool BindAndListen(sys::Socket &socket, std::uint32_t address, std::uint16_t port, int backlog) {
  BOOL on = TRUE;
  setsockopt(socket.Native(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&on), sizeof on);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return bind(socket.Native(), reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 &&
         listen(socket.Native(), backlog) == 0;
}

sys::Socket Accept(sys::Socket &listener) { return sys::Socket(accept(listener.Native(), nullptr, nullptr)); }

void SetAbortiveClose(sys::Socket &socket) {
  linger l{1, 0};
  setsockopt(socket.Native(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&l), sizeof l);
}

}  // namespace testing_support
