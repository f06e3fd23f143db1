#include "tests/support/ListeningSocket.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace testing_support {

bool BindAndListen(sys::Socket &socket, std::uint32_t address, std::uint16_t port, int backlog) {
  int on = 1;
  setsockopt(socket.Native(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return bind(socket.Native(), reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 &&
         listen(socket.Native(), backlog) == 0;
}

sys::Socket Accept(sys::Socket &listener) {
  for (;;) {
    int s = accept4(listener.Native(), nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0 && errno == EINTR) continue;
    return sys::Socket(s);
  }
}

void SetAbortiveClose(sys::Socket &socket) {
  linger l{1, 0};
  setsockopt(socket.Native(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

}  // namespace testing_support
