#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/EchoReply.h"
#include "net/PingUnit.h"
#include "sys/Error.h"

// POSIX has no ICMP library, so the probe speaks ICMP itself. Where the system lets
// unprivileged programs ping, a datagram ICMP socket is used: the kernel then fills in the
// identifier and hands the socket only the replies to it. Otherwise a raw socket is used,
// which needs privilege and sees every ICMP message that reaches the host, including our
// own request when it goes to loopback.

namespace {
constexpr unsigned char kEchoReplyType = 0;
constexpr unsigned char kEchoRequestType = 8;
constexpr std::size_t kIcmpHeaderSize = 8;
constexpr std::size_t kLargestIpHeaderSize = 60;

std::uint16_t InternetChecksum(const unsigned char *data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) sum += std::uint32_t(data[i] << 8 | data[i + 1]);
  if (size % 2) sum += std::uint32_t(data[size - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return std::uint16_t(~sum);
}

std::uint16_t ReadBigEndian16(const unsigned char *p) { return std::uint16_t(p[0] << 8 | p[1]); }

void WriteBigEndian16(unsigned char *p, std::uint16_t value) {
  p[0] = static_cast<unsigned char>(value >> 8);
  p[1] = static_cast<unsigned char>(value);
}

// Identifiers for raw sockets, which the kernel leaves to us: distinct per probe within
// this process and, through the process id, from other programs that ping.
std::uint16_t NewIdentifier() {
  static std::atomic<unsigned> counter{0};
  return std::uint16_t(unsigned(getpid()) * 131u + counter++);
}
}  // namespace

struct TPing::TFields {
  int FIcmpSocket = -1;
  // A raw socket receives IP headers in front of the ICMP message, and the identifier is ours.
  bool FRawSocket = false;
  std::uint16_t FIdentifier = 0;
  std::uint16_t FSequence = 0;
};

TPing::TFields *TPing::NewFields() { return new TFields; }
void TPing::TFieldsDeleter::operator()(TFields *fields) const { delete fields; }

// There is no library to load on POSIX: OpenIcmp opens the socket that stands in for it.
void TPing::LoadIcmpLib() {}

void TPing::OpenIcmp() {
  F->FIcmpSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (F->FIcmpSocket < 0) {
    F->FIcmpSocket = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    F->FRawSocket = true;
    F->FIdentifier = NewIdentifier();
  }
  if (F->FIcmpSocket < 0) throw sys::Error("ICMP Run error!");
  int ttl = net::kEchoTtl;
  if (setsockopt(F->FIcmpSocket, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) throw sys::Error("ICMP Run error!");
}

void TPing::CloseIcmp() {
  if (F->FIcmpSocket >= 0) close(F->FIcmpSocket);
  F->FIcmpSocket = -1;
}

void TPing::FreeIcmpLib() {}

int TPing::SendEcho(std::uint32_t Address, int TimeoutMs) {
  const std::uint16_t sequence = ++F->FSequence;
  unsigned char request[kIcmpHeaderSize + net::kEchoPayloadSize] = {kEchoRequestType};
  WriteBigEndian16(request + 4, F->FIdentifier);
  WriteBigEndian16(request + 6, sequence);
  std::memcpy(request + kIcmpHeaderSize, net::kEchoPayload, net::kEchoPayloadSize);
  WriteBigEndian16(request + 2, InternetChecksum(request, sizeof request));

  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = Address;
  if (sendto(F->FIcmpSocket, request, sizeof request, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) !=
      ssize_t(sizeof request))
    return 0;
  std::uint16_t identifier = F->FIdentifier;
  if (!F->FRawSocket) {
    // The kernel stamped the request with the socket's own identifier, its "port".
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(F->FIcmpSocket, reinterpret_cast<sockaddr *>(&bound), &length) != 0) return 0;
    identifier = ntohs(bound.sin_port);
  }

  // A negative time-out waits without limit, as the Windows call reads it as a huge count.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    int waitMs = -1;
    if (TimeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      waitMs = left > 0 ? int(left) : 0;
    }
    pollfd readable{F->FIcmpSocket, POLLIN, 0};
    int ready = poll(&readable, 1, waitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return 0;

    unsigned char reply[kLargestIpHeaderSize + kIcmpHeaderSize + net::kEchoPayloadSize] = {};
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t received =
        recvfrom(F->FIcmpSocket, reply, sizeof reply, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &fromLength);
    if (received < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return 0;
    }
    if (from.sin_addr.s_addr != Address) continue;
    std::size_t icmpOffset = F->FRawSocket ? std::size_t(reply[0] & 0x0F) * 4 : 0;
    if (std::size_t(received) < icmpOffset + kIcmpHeaderSize) continue;
    const unsigned char *icmp = reply + icmpOffset;
    // Anything else is another program's traffic, an error message, or (on loopback, raw)
    // our own request coming past.
    if (icmp[0] != kEchoReplyType || ReadBigEndian16(icmp + 4) != identifier || ReadBigEndian16(icmp + 6) != sequence)
      continue;
    return net::EchoReplyMatches(reply, std::size_t(received), nullptr, icmp + kIcmpHeaderSize) ? 1 : 0;
  }
}
