#pragma once
// The echo request that TPing sends and the rule by which its reply counts, shared by the
// Windows and POSIX halves of the probe.
#include <cstddef>
#include <cstdint>

namespace net {

// The request's data: these 17 characters, without a terminator.
inline constexpr char kEchoPayload[] = "Ping Digital Data";
inline constexpr std::size_t kEchoPayloadSize = sizeof kEchoPayload - 1;
inline constexpr int kEchoTtl = 64;
// Room for one reply record of the 32-bit ICMP library and 40 bytes of data; the 64-bit
// record is larger but still leaves room for the echoed payload.
inline constexpr std::size_t kEchoReplyBufferSize = 68;

static_assert(kEchoPayloadSize == 17, "the payload is 17 bytes on the wire");

// Whether a reply stored in buffer[0, size) answers our request: the first payload byte
// must equal the byte at optionsData when that pointer lies inside the buffer, otherwise
// the byte at echoedData when that one does. A pointer outside the buffer (or null) is
// never read, so a reply that supplies neither in range does not count.
bool EchoReplyMatches(const unsigned char *buffer, std::size_t size, const void *optionsData, const void *echoedData);

}  // namespace net
