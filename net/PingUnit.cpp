#include "net/PingUnit.h"

#include <cstdint>

#include "net/EchoReply.h"
#include "sys/Socket.h"

namespace net {

namespace {
bool Inside(const unsigned char *buffer, std::size_t size, const void *pointer) {
  // Compared as integers: the pointer comes from the reply and need not point into any
  // object of ours, so ordering it against the buffer as a pointer would be unspecified.
  auto first = reinterpret_cast<std::uintptr_t>(buffer);
  auto at = reinterpret_cast<std::uintptr_t>(pointer);
  return pointer && at >= first && at - first < size;
}
}  // namespace

bool EchoReplyMatches(const unsigned char *buffer, std::size_t size, const void *optionsData, const void *echoedData) {
  const void *compared = Inside(buffer, size, optionsData) ? optionsData : echoedData;
  if (!Inside(buffer, size, compared)) return false;
  return buffer[reinterpret_cast<std::uintptr_t>(compared) - reinterpret_cast<std::uintptr_t>(buffer)] ==
         static_cast<unsigned char>(kEchoPayload[0]);
}

}  // namespace net

namespace {
// inet_addr's no-address value.
constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;
}  // namespace

TPing::TPing() : F(NewFields()) {
  try {
    LoadIcmpLib();
    OpenIcmp();
  } catch (...) {
    CloseIcmp();
    FreeIcmpLib();
    throw;
  }
}

TPing::~TPing() {
  CloseIcmp();
  FreeIcmpLib();
}

int TPing::Ping(const std::string &AddressText, int TimeoutMs) {
  std::uint32_t address = sys::ParseIPv4(AddressText);
  if (address == kNoAddress) return -1;
  return SendEcho(address, TimeoutMs);
}

int TPing::PingByName(const std::string &HostName, int TimeoutMs, std::string &AddressText) {
  AddressText.clear();
  std::uint32_t address;
  if (!sys::ResolveIPv4(HostName, &address)) return -1;
  AddressText = sys::FormatIPv4(address);
  return Ping(AddressText, TimeoutMs);
}
