#include "net/EchoReply.h"
#include "net/PingUnit.h"
#include "sys/Error.h"

// winsock2.h must precede windows.h, and the ICMP records need the types of both.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <ipexport.h>
// clang-format on

#include <array>
#include <cstring>

// The 68-byte reply buffer was sized for the 28-byte record of 32-bit Windows; the 64-bit
// record (40 bytes) still leaves room for the 17 bytes that come back.
static_assert(sizeof(ICMP_ECHO_REPLY) + net::kEchoPayloadSize <= net::kEchoReplyBufferSize,
              "the reply buffer must hold one reply with the echoed payload");

namespace {
// The entry points as "ICMP.dll" publishes them.
using TIcmpCreateFile = HANDLE(WINAPI *)();
using TIcmpCloseHandle = BOOL(WINAPI *)(HANDLE);
using TIcmpSendEcho = DWORD(WINAPI *)(HANDLE IcmpHandle, IPAddr DestinationAddress, LPVOID RequestData,
                                      WORD RequestSize, PIP_OPTION_INFORMATION RequestOptions, LPVOID ReplyBuffer,
                                      DWORD ReplySize, DWORD Timeout);

template <typename Function>
Function EntryPoint(HMODULE library, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
}  // namespace

struct TPing::TFields {
  WSADATA FWSAData{};
  bool FWinsockStarted = false;
  HMODULE FIcmpLib = nullptr;
  HANDLE FIcmpHandle = INVALID_HANDLE_VALUE;
  TIcmpCreateFile FIcmpCreateFile = nullptr;
  TIcmpCloseHandle FIcmpCloseHandle = nullptr;
  TIcmpSendEcho FIcmpSendEcho = nullptr;
};

TPing::TFields *TPing::NewFields() { return new TFields; }
void TPing::TFieldsDeleter::operator()(TFields *fields) const { delete fields; }

void TPing::LoadIcmpLib() {
  F->FIcmpLib = LoadLibraryA("ICMP.dll");
  if (!F->FIcmpLib) return;
  F->FIcmpCreateFile = EntryPoint<TIcmpCreateFile>(F->FIcmpLib, "IcmpCreateFile");
  F->FIcmpCloseHandle = EntryPoint<TIcmpCloseHandle>(F->FIcmpLib, "IcmpCloseHandle");
  F->FIcmpSendEcho = EntryPoint<TIcmpSendEcho>(F->FIcmpLib, "IcmpSendEcho");
}

void TPing::OpenIcmp() {
  if (WSAStartup(0x0002, &F->FWSAData) != 0) throw sys::Error("Winsock Run error");
  F->FWinsockStarted = true;
  // A missing library or entry point fails like a handle that cannot be opened, rather
  // than leaving a null function to be called later.
  if (!F->FIcmpCreateFile || !F->FIcmpCloseHandle || !F->FIcmpSendEcho) throw sys::Error("ICMP Run error!");
  F->FIcmpHandle = F->FIcmpCreateFile();
  if (F->FIcmpHandle == INVALID_HANDLE_VALUE) throw sys::Error("ICMP Run error!");
}

void TPing::CloseIcmp() {
  if (F->FIcmpHandle != INVALID_HANDLE_VALUE) F->FIcmpCloseHandle(F->FIcmpHandle);
  F->FIcmpHandle = INVALID_HANDLE_VALUE;
  if (F->FWinsockStarted) WSACleanup();
  F->FWinsockStarted = false;
}

void TPing::FreeIcmpLib() {
  if (F->FIcmpLib) FreeLibrary(F->FIcmpLib);
  F->FIcmpLib = nullptr;
}

int TPing::SendEcho(std::uint32_t Address, int TimeoutMs) {
  char payload[net::kEchoPayloadSize];
  std::memcpy(payload, net::kEchoPayload, sizeof payload);
  IP_OPTION_INFORMATION options{};
  options.Ttl = net::kEchoTtl;
  // Zeroed whole, not just the record: the byte compared below may lie past the record,
  // and it must never be left over from earlier use of the stack.
  alignas(ICMP_ECHO_REPLY) std::array<unsigned char, net::kEchoReplyBufferSize> reply{};
  DWORD replies = F->FIcmpSendEcho(F->FIcmpHandle, Address, payload, WORD(sizeof payload), &options, reply.data(),
                                   DWORD(reply.size()), DWORD(TimeoutMs));
  if (replies == 0) return 0;
  ICMP_ECHO_REPLY record;
  std::memcpy(&record, reply.data(), sizeof record);
  return net::EchoReplyMatches(reply.data(), reply.size(), record.Options.OptionsData, record.Data) ? 1 : 0;
}
