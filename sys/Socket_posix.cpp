#include "sys/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sys {

SocketLayer::SocketLayer(std::uint16_t) {}
SocketLayer::~SocketLayer() = default;

bool ResolveIPv4(const std::string &host, std::uint32_t *address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  *address = reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return true;
}

std::uint32_t ParseIPv4(const std::string &dotted) { return inet_addr(dotted.c_str()); }

namespace {
sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}

timeval ToTimeval(int ms) { return timeval{time_t(ms / 1000), suseconds_t((ms % 1000) * 1000)}; }
}  // namespace

Socket Socket::CreateTcp() { return Socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)); }

bool Socket::Connect(std::uint32_t address, std::uint16_t port, int timeoutMs) {
  if (!Valid()) return false;
  sockaddr_in sa = MakeAddress(address, port);
  int flags = fcntl(s_, F_GETFL);
  fcntl(s_, F_SETFL, flags | O_NONBLOCK);
  int rc = connect(s_, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  int reason = rc == 0 ? 0 : errno;
  if (rc != 0 && reason == EINPROGRESS) {
    pollfd pfd{s_, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    const int ready = poll(&pfd, 1, timeoutMs);
    reason = ready == 0 ? ETIMEDOUT
             : ready < 0 ? errno
             : getsockopt(s_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ? errno
                                                                          : error;
    rc = reason == 0 ? 0 : -1;
  }
  fcntl(s_, F_SETFL, flags);
  // The reason stays for LastErrorText: a refused or timed-out connection says so.
  errno = reason;
  return rc == 0;
}

bool Socket::SetTimeouts(int recvTimeoutMs, int sendTimeoutMs) {
  timeval recvTimeout = ToTimeval(recvTimeoutMs), sendTimeout = ToTimeval(sendTimeoutMs);
  return setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, &recvTimeout, sizeof recvTimeout) == 0 &&
         setsockopt(s_, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout) == 0;
}

int Socket::Send(const void *data, int n) {
  for (;;) {
    ssize_t sent = send(s_, data, std::size_t(n), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    return int(sent);
  }
}

int Socket::Recv(void *buffer, int n) {
  for (;;) {
    ssize_t received = recv(s_, buffer, std::size_t(n), 0);
    if (received < 0 && errno == EINTR) continue;
    return received < 0 ? -1 : int(received);
  }
}

bool Socket::LastCallTimedOut() { return errno == ETIMEDOUT || errno == EAGAIN || errno == EWOULDBLOCK; }

void Socket::ShutdownAndClose() {
  if (!Valid()) return;
  shutdown(s_, SHUT_RDWR);
  Close();
}

void Socket::Close() {
  if (Valid()) close(s_);
  s_ = kInvalidNativeSocket;
}

}  // namespace sys
