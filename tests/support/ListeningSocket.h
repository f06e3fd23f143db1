#pragma once
// The server side of TCP sockets, for the test servers: the shipped programs only ever
// connect.
#include <cstdint>

#include "sys/Socket.h"

namespace testing_support {

// Binds socket to address:port (network byte order address, host byte order port) with
// address reuse and listens.
bool BindAndListen(sys::Socket &socket, std::uint32_t address, std::uint16_t port, int backlog = 16);
// The next connection on a listening socket; invalid when accept failed.
sys::Socket Accept(sys::Socket &listener);
// Makes a later close reset the connection instead of closing it gracefully (SO_LINGER 0).
void SetAbortiveClose(sys::Socket &socket);

}  // namespace testing_support
