#pragma once
// What makes a manifest trusted when the build trusts signing keys: the vendor's
// signature over the manifest's exact bytes, its serial and expiry against replays and
// freezes, and the size and SHA-256 of every file it lists.
//
// Formats (all additions that an updater without keys ignores):
// - "conf" holds "serial" (a decimal integer, larger with every publication) and
//   "expires" (UTC, "YYYY-MM-DDTHH:MM:SSZ");
// - section "files_hash" holds one entry per served file, "hN=<size> <sha256> <name>",
//   the hash in lower-case hexadecimal, the name as the release sections write it;
// - the detached signature file "update.ini.sig" holds one line per signature,
//   "<key id> <base64 of the DER ECDSA signature>", where the key id is the SHA-256 in
//   hexadecimal of the key's DER SubjectPublicKeyInfo. One line by a trusted key that
//   verifies is enough.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "crypto/Keys.h"
#include "ini/ProfileText.h"

namespace trust {

inline constexpr char kSerialKey[] = "serial";
inline constexpr char kExpiresKey[] = "expires";
inline constexpr char kFilesHashSection[] = "files_hash";
// The largest manifest and signature file a build with keys fetches.
inline constexpr std::int64_t kMaxManifestSize = 64ll << 20;
inline constexpr std::int64_t kMaxSignatureFileSize = 64ll << 10;
// The largest serial: a serial is at most 19 decimal digits.
inline constexpr std::uint64_t kMaxSerial = 9999999999999999999ull;

std::string KeyId(const crypto::PublicKey &Key);

// The signature line of Manifest by Key; false when the system cannot sign.
bool SignatureLine(const crypto::PrivateKey &Key, const std::string &Manifest, std::string &Line);

enum class TSignatureCheck { kVerified, kMissing, kInvalid, kUnknownKey };
// Whether a line of SignatureFile by one of Trusted verifies over Manifest. kUnknownKey
// when no line names a trusted key, kInvalid when one does but none verifies.
TSignatureCheck CheckSignature(const std::string &Manifest, const std::string &SignatureFile,
                               const std::vector<crypto::PublicKey> &Trusted);
// The lines of SignatureFile that verify over Manifest by one of Keys.
std::vector<std::string> LinesVerifiedBy(const std::string &Manifest, const std::string &SignatureFile,
                                         const std::vector<crypto::PublicKey> &Keys);

struct TSignedFile {
  std::string Name;  // as the release sections write it
  std::uint64_t Size = 0;
  crypto::Bytes32 Sha256{};
};

// One "files_hash" value; false when it is not "<size> <sha256> <name>".
bool ReadFileHash(const std::string &Value, TSignedFile &File);
std::string FileHashValue(const TSignedFile &File);

// The signed facts of a manifest.
struct TSignedFacts {
  std::uint64_t Serial = 0;
  std::int64_t ExpiresUtc = 0;  // seconds since 1970-01-01T00:00:00Z
  std::string ExpiresText;
  // By folded name; a look-up confirms each candidate with the file list's comparison,
  // so that two names the list holds apart never share an entry. A repeated name keeps
  // its first.
  std::multimap<std::string, TSignedFile> Files;
  const TSignedFile *Find(const std::string &Name) const;
};
// False, with the reason, when the serial or the expiry is missing or malformed, or a
// "files_hash" entry is.
bool ReadSignedFacts(const ini::ProfileText &Manifest, TSignedFacts &Facts, std::string &Problem);

// What the updater remembers of the newest manifest it accepted: its serial and the
// SHA-256 of its bytes, so that the same serial can only ever be that same manifest.
struct TTrustState {
  std::uint64_t Serial = 0;
  std::string Sha256Hex;
};
// What a build that trusts Keys makes of a fetched manifest and its signature file: a
// trusted signature, an expiry after NowUtc, a serial not below the Stored one (and the
// very manifest accepted before when it is equal), and a release section for the installed
// version (an older manifest replayed to a newer installation would offer its own newest
// release). Every refusal has its own reason.
struct TTrustVerdict {
  bool Accepted = false;
  std::string Reason;  // why the manifest was refused
  TSignedFacts Facts;  // what it signed, when accepted
  // The state to keep once the manifest is accepted whole; Serial 0 when the stored one
  // stays.
  TTrustState NewState;
};
TTrustVerdict DecideTrust(const std::string &Manifest, const std::string &SignatureFile,
                          const std::vector<crypto::PublicKey> &Keys, const std::optional<TTrustState> &Stored,
                          std::int64_t NowUtc, const std::string &InstalledVersion);

// Whether a manifest holds any of the signed facts (a serial, an expiry or a "files_hash"
// section), whether or not they are well formed: such a manifest was signed once.
bool CarriesSignedFacts(const ini::ProfileText &Manifest);
// A serial's decimal text, at most 19 digits; false for anything else.
bool ParseSerial(const std::string &Text, std::uint64_t &Serial);

// "YYYY-MM-DDTHH:MM:SSZ" and seconds since the epoch, both ways.
bool ParseUtcTime(const std::string &Text, std::int64_t &Seconds);
std::string FormatUtcTime(std::int64_t Seconds);
std::int64_t NowUtc();

// False for a missing or unreadable state, which counts as none.
bool ReadTrustState(const std::string &Path, TTrustState &State);
bool WriteTrustState(const std::string &Path, const TTrustState &State);

}  // namespace trust
