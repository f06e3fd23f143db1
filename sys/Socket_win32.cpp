#include "sys/Socket.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>

namespace sys {

SocketLayer::SocketLayer(std::uint16_t versionWord) {
  WSADATA data;
  result_ = WSAStartup(versionWord, &data);
}

SocketLayer::~SocketLayer() {
  if (result_ == 0) WSACleanup();
}

bool ResolveIPv4(const std::string &host, std::uint32_t *address) {
  hostent *entry = gethostbyname(host.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0]) return false;
  std::memcpy(address, entry->h_addr_list[0], 4);
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
}  // namespace

Socket Socket::CreateTcp() { return Socket(socket(AF_INET, SOCK_STREAM, 0)); }

bool Socket::Connect(std::uint32_t address, std::uint16_t port, int timeoutMs) {
  if (!Valid()) return false;
  sockaddr_in sa = MakeAddress(address, port);
  u_long nonBlocking = 1;
  ioctlsocket(s_, FIONBIO, &nonBlocking);
  int rc = connect(s_, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  int reason = rc == 0 ? 0 : WSAGetLastError();
  if (rc != 0 && reason == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s_, &writable);
    FD_SET(s_, &failed);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int ready = select(0, nullptr, &writable, &failed, &limit);
    int error = 0;
    int length = sizeof error;
    reason = ready == 0 ? WSAETIMEDOUT
             : ready < 0 ? WSAGetLastError()
             : FD_ISSET(s_, &writable) ? 0
             : getsockopt(s_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &length) != 0 ? WSAGetLastError()
                                                                                                   : error;
    rc = reason == 0 ? 0 : -1;
  }
  nonBlocking = 0;
  ioctlsocket(s_, FIONBIO, &nonBlocking);
  // The reason stays for LastErrorText: a refused or timed-out connection says so.
  WSASetLastError(reason);
  return rc == 0;
}

bool Socket::SetTimeouts(int recvTimeoutMs, int sendTimeoutMs) {
  DWORD recvTimeout = DWORD(recvTimeoutMs), sendTimeout = DWORD(sendTimeoutMs);
  return setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&recvTimeout), sizeof recvTimeout) ==
             0 &&
         setsockopt(s_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&sendTimeout), sizeof sendTimeout) == 0;
}

int Socket::Send(const void *data, int n) { return send(s_, static_cast<const char *>(data), n, 0); }

int Socket::Recv(void *buffer, int n) {
  int received = recv(s_, static_cast<char *>(buffer), n, 0);
  return received < 0 ? -1 : received;
}

bool Socket::LastCallTimedOut() { return WSAGetLastError() == WSAETIMEDOUT; }

void Socket::ShutdownAndClose() {
  if (!Valid()) return;
  shutdown(s_, SD_BOTH);
  Close();
}

void Socket::Close() {
  if (Valid()) closesocket(s_);
  s_ = kInvalidNativeSocket;
}

}  // namespace sys
