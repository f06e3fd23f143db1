#pragma once
#include "sys/Platform.h"

#include <cstdint>
#include <string>

namespace sys {

// Keeps the system's socket layer started for its lifetime (WSAStartup / WSACleanup with
// the given version word on Windows; nothing to do on POSIX, where Result() is 0).
class SocketLayer {
 public:
  explicit SocketLayer(std::uint16_t versionWord);
  ~SocketLayer();
  SocketLayer(const SocketLayer &) = delete;
  SocketLayer &operator=(const SocketLayer &) = delete;
  int Result() const { return result_; }

 private:
  int result_ = 0;
};

// Looks up host (gethostbyname on Windows, getaddrinfo on POSIX); true and the first
// IPv4 address (network byte order) in *address when the name resolves.
bool ResolveIPv4(const std::string &host, std::uint32_t *address);
// inet_addr: the address of a dotted IPv4 text in network byte order, or 0xFFFFFFFF.
std::uint32_t ParseIPv4(const std::string &dotted);
// An address in network byte order as dotted text without leading zeros ("10.0.0.1").
std::string FormatIPv4(std::uint32_t address);

// Owner of one blocking IPv4 TCP socket. Every wait on the network is bounded by the
// timeouts given to Connect and SetTimeouts; a timed-out call fails like an error.
class Socket {
 public:
  Socket() = default;
  explicit Socket(NativeSocket s) : s_(s) {}
  ~Socket();
  Socket(Socket &&other) noexcept;
  Socket &operator=(Socket &&other) noexcept;
  Socket(const Socket &) = delete;
  Socket &operator=(const Socket &) = delete;

  // A new IPv4 stream socket (socket(2, 1, 0)); invalid when the system refuses one.
  static Socket CreateTcp();

  bool Valid() const { return s_ != kInvalidNativeSocket; }
  NativeSocket Native() const { return s_; }

  // Connects to address:port (network byte order address, host byte order port),
  // giving up after timeoutMs.
  bool Connect(std::uint32_t address, std::uint16_t port, int timeoutMs);
  // Bounds each later Send and Recv to the given milliseconds.
  bool SetTimeouts(int recvTimeoutMs, int sendTimeoutMs);
  // One send call; the number of bytes taken, or -1.
  int Send(const void *data, int n);
  // Sends every byte, looping over partial sends; false on any failure.
  bool SendAll(const void *data, int n);
  // One recv call: >0 bytes received, 0 when the peer closed, -1 on error or time-out.
  int Recv(void *buffer, int n);
  // Whether the calling thread's last failed Connect, Send or Recv ran out of time.
  static bool LastCallTimedOut();
  // shutdown(both) then close; the socket becomes invalid.
  void ShutdownAndClose();
  void Close();

 private:
  NativeSocket s_ = kInvalidNativeSocket;
};

}  // namespace sys
