#pragma once
#include <cstdint>
#include <memory>
#include <string>

// Asks whether a host answers: one ICMP echo request ("Ping Digital Data", TTL 64) to the
// host's first IPv4 address, with the caller's time-out. Windows sends it through the
// ICMP library "ICMP.dll", loaded at run time; POSIX through an ICMP socket of our own.
// A probe is created for one check and freed at once; probes share nothing.
class TPing {
 public:
  // Loads the ICMP library and opens the ICMP handle (LoadIcmpLib, OpenIcmp). Throws
  // sys::Error "Winsock Run error" when the socket layer cannot start and "ICMP Run error!"
  // when no echo can be sent (no library, a missing entry point, no handle or socket),
  // after releasing whatever it had acquired.
  TPing();
  // Closes the ICMP handle, then frees the library (CloseIcmp, FreeIcmpLib).
  virtual ~TPing();
  TPing(const TPing &) = delete;
  TPing &operator=(const TPing &) = delete;

  // One echo request to a dotted IPv4 address: -1 when the text is no address (nothing is
  // sent), 1 when a matching reply arrived within TimeoutMs, 0 otherwise.
  int Ping(const std::string &AddressText, int TimeoutMs);
  // Resolves HostName, puts its first address in dotted form in AddressText and returns
  // Ping's result for it; -1 with AddressText empty when the name does not resolve.
  int PingByName(const std::string &HostName, int TimeoutMs, std::string &AddressText);

 private:
  // The platform's resources: the library, its entry points, the socket layer's start-up
  // and the ICMP handle on Windows; the ICMP socket on POSIX.
  struct TFields;
  struct TFieldsDeleter {
    void operator()(TFields *fields) const;
  };
  static TFields *NewFields();

  void LoadIcmpLib();
  void OpenIcmp();
  void CloseIcmp();
  void FreeIcmpLib();
  // Sends one echo request to address (network byte order) and waits for its reply.
  int SendEcho(std::uint32_t Address, int TimeoutMs);

  std::unique_ptr<TFields, TFieldsDeleter> F;
};
