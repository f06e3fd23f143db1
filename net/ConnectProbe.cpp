#include "net/ConnectProbe.h"

#include <cstdint>

#include "sys/Error.h"
#include "sys/Socket.h"

int ProbeByConnecting(const std::string &Host, int Port, int TimeoutMs, std::string &Reason) {
  Reason.clear();
  // WSAStartup 1.1 for the probe's own lifetime, as every user of sockets has it.
  const sys::SocketLayer layer(257);
  std::uint32_t address = 0;
  if (!sys::ResolveIPv4(Host, &address)) {
    Reason = "the name does not resolve";
    return -1;
  }
  sys::Socket socket = sys::Socket::CreateTcp();
  if (socket.Valid() && socket.Connect(address, std::uint16_t(Port), TimeoutMs)) return 1;
  Reason = sys::Socket::LastCallTimedOut() ? "no answer within " + std::to_string(TimeoutMs) + " ms"
                                           : sys::LastErrorText();
  return 0;
}
