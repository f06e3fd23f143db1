#include "engine/ManifestTrust.h"

#include <chrono>
#include <cstdio>
#include <sstream>

#include "crypto/Ecdsa.h"
#include "crypto/Encoding.h"
#include "crypto/Sha256.h"
#include "engine/ManifestVocabulary.h"
#include "ini/ProfileEncoding.h"
#include "sys/FileSystem.h"
#include "sys/TextCase.h"

namespace trust {

namespace {

std::string Hex(const crypto::Bytes32 &bytes) { return crypto::HexEncode(std::string(bytes.begin(), bytes.end())); }

bool ReadDecimal(const std::string &text, std::uint64_t &value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + std::uint64_t(c - '0');
  }
  return true;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + std::int64_t(doe) - 719468;
}

// One line of a signature file: the key id and the signature in r||s form.
struct SignatureLineParts {
  std::string KeyId;
  crypto::Signature RS{};
};

bool ReadLine(const std::string &line, SignatureLineParts &parts) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos) return false;
  std::string der;
  parts.KeyId = sys::LowerAscii(line.substr(0, blank));
  return crypto::Base64Decode(line.substr(blank + 1), der) && crypto::ReadSignatureDer(der, parts.RS);
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string KeyId(const crypto::PublicKey &Key) { return Hex(crypto::Sha256Of(crypto::SubjectPublicKeyInfo(Key))); }

bool SignatureLine(const crypto::PrivateKey &Key, const std::string &Manifest, std::string &Line) {
  crypto::Signature rs;
  if (!crypto::SignDigest(Key, crypto::Sha256Of(Manifest), rs)) return false;
  Line = KeyId(Key.Public) + " " + crypto::Base64Encode(crypto::SignatureDer(rs));
  return true;
}

std::vector<std::string> LinesVerifiedBy(const std::string &Manifest, const std::string &SignatureFile,
                                         const std::vector<crypto::PublicKey> &Keys) {
  std::vector<std::string> verified;
  const crypto::Bytes32 digest = crypto::Sha256Of(Manifest);
  for (const std::string &line : Lines(SignatureFile)) {
    SignatureLineParts parts;
    if (!ReadLine(line, parts)) continue;
    for (const crypto::PublicKey &key : Keys) {
      if (KeyId(key) == parts.KeyId && crypto::VerifyDigest(key, digest, parts.RS)) {
        verified.push_back(line);
        break;
      }
    }
  }
  return verified;
}

TSignatureCheck CheckSignature(const std::string &Manifest, const std::string &SignatureFile,
                               const std::vector<crypto::PublicKey> &Trusted) {
  const std::vector<std::string> lines = Lines(SignatureFile);
  if (lines.empty()) return TSignatureCheck::kMissing;
  if (!LinesVerifiedBy(Manifest, SignatureFile, Trusted).empty()) return TSignatureCheck::kVerified;
  for (const std::string &line : lines) {
    const std::string id = sys::LowerAscii(line.substr(0, line.find(' ')));
    for (const crypto::PublicKey &key : Trusted) {
      if (KeyId(key) == id) return TSignatureCheck::kInvalid;
    }
  }
  return TSignatureCheck::kUnknownKey;
}

bool ReadFileHash(const std::string &Value, TSignedFile &File) {
  const std::size_t first = Value.find(' ');
  const std::size_t second = first == std::string::npos ? first : Value.find(' ', first + 1);
  if (second == std::string::npos || second + 1 >= Value.size()) return false;
  std::string digest;
  if (!ReadDecimal(Value.substr(0, first), File.Size) || !crypto::HexDecode(Value.substr(first + 1, second - first - 1), digest) ||
      digest.size() != File.Sha256.size()) {
    return false;
  }
  std::copy(digest.begin(), digest.end(), File.Sha256.begin());
  File.Name = Value.substr(second + 1);
  return true;
}

std::string FileHashValue(const TSignedFile &File) {
  return std::to_string(File.Size) + " " + Hex(File.Sha256) + " " + File.Name;
}

const TSignedFile *TSignedFacts::Find(const std::string &Name) const {
  const auto candidates = Files.equal_range(sys::FoldCase(Name));
  for (auto it = candidates.first; it != candidates.second; ++it) {
    if (sys::SameTextIgnoringCase(it->second.Name, Name)) return &it->second;
  }
  return nullptr;
}

bool ReadSignedFacts(const ini::ProfileText &Manifest, TSignedFacts &Facts, std::string &Problem) {
  Facts = TSignedFacts();
  const std::string serial = Manifest.ReadValue(vocabulary::kConfSection, kSerialKey, "");
  if (!ReadDecimal(serial, Facts.Serial)) {
    Problem = "the signed manifest has no valid serial (\"" + serial + "\")";
    return false;
  }
  Facts.ExpiresText = Manifest.ReadValue(vocabulary::kConfSection, kExpiresKey, "");
  if (!ParseUtcTime(Facts.ExpiresText, Facts.ExpiresUtc)) {
    Problem = "the signed manifest has no valid expiry (\"" + Facts.ExpiresText + "\")";
    return false;
  }
  for (const auto &entry : Manifest.KeyValues(kFilesHashSection)) {
    TSignedFile file;
    if (!ReadFileHash(entry.second, file)) {
      Problem = "the signed manifest's \"" + std::string(kFilesHashSection) + "\" entry " + entry.first + " is malformed";
      return false;
    }
    if (!Facts.Find(file.Name)) Facts.Files.emplace(sys::FoldCase(file.Name), file);
  }
  return true;
}

TTrustVerdict DecideTrust(const std::string &Manifest, const std::string &SignatureFile,
                          const std::vector<crypto::PublicKey> &Keys, const std::optional<TTrustState> &Stored,
                          std::int64_t NowUtc, const std::string &InstalledVersion) {
  TTrustVerdict verdict;
  switch (CheckSignature(Manifest, SignatureFile, Keys)) {
    case TSignatureCheck::kVerified:
      break;
    case TSignatureCheck::kMissing:
      verdict.Reason = "the manifest's signature is missing";
      return verdict;
    case TSignatureCheck::kInvalid:
      verdict.Reason = "the manifest's signature is invalid";
      return verdict;
    case TSignatureCheck::kUnknownKey:
      verdict.Reason = "the manifest is signed by an unknown key";
      return verdict;
  }
  const ini::ProfileText text(ini::DecodeProfile(Manifest));
  TSignedFacts facts;
  if (!ReadSignedFacts(text, facts, verdict.Reason)) return verdict;
  if (facts.ExpiresUtc <= NowUtc) {
    verdict.Reason = "the manifest expired on " + facts.ExpiresText + " (this computer's clock says " +
                     FormatUtcTime(NowUtc) + ")";
    return verdict;
  }
  // No replay of an older manifest, and one serial is one manifest.
  const std::string digest = Hex(crypto::Sha256Of(Manifest));
  if (Stored && facts.Serial < Stored->Serial) {
    verdict.Reason = "the manifest's serial " + std::to_string(facts.Serial) + " is older than " +
                     std::to_string(Stored->Serial) + ", which this installation accepted before";
    return verdict;
  }
  if (Stored && facts.Serial == Stored->Serial && digest != Stored->Sha256Hex) {
    verdict.Reason = "the manifest's serial " + std::to_string(facts.Serial) +
                     " is one this installation accepted before, with other content";
    return verdict;
  }
  if (!InstalledVersion.empty() && !text.HasSection(vocabulary::kReleaseSectionPrefix + InstalledVersion)) {
    verdict.Reason = "the manifest has no release section for the installed version " + InstalledVersion;
    return verdict;
  }
  if (!Stored || facts.Serial > Stored->Serial) verdict.NewState = TTrustState{facts.Serial, digest};
  verdict.Accepted = true;
  verdict.Facts = std::move(facts);
  return verdict;
}

bool CarriesSignedFacts(const ini::ProfileText &Manifest) {
  for (const std::string &key : Manifest.KeyNames(vocabulary::kConfSection)) {
    if (sys::SameTextIgnoringAsciiCase(key, kSerialKey) || sys::SameTextIgnoringAsciiCase(key, kExpiresKey)) return true;
  }
  return Manifest.HasSection(kFilesHashSection);
}

bool ParseSerial(const std::string &Text, std::uint64_t &Serial) { return ReadDecimal(Text, Serial); }

bool ParseUtcTime(const std::string &Text, std::int64_t &Seconds) {
  unsigned year, month, day, hour, minute, second;
  char tail = 0;
  if (Text.size() != 20 || Text[4] != '-' || Text[7] != '-' || Text[10] != 'T' || Text[13] != ':' ||
      Text[16] != ':' || Text[19] != 'Z') {
    return false;
  }
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
    if (Text[i] < '0' || Text[i] > '9') return false;
  }
  if (std::sscanf(Text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c", &year, &month, &day, &hour, &minute, &second, &tail) != 7) {
    return false;
  }
  static const unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] || (month == 2 && day == 29 && !leap) ||
      hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  Seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

std::string FormatUtcTime(std::int64_t Seconds) {
  const std::int64_t days = Seconds >= 0 ? Seconds / 86400 : (Seconds - 86399) / 86400;
  std::int64_t rest = Seconds - days * 86400;
  // The civil date of a day count (the inverse of DaysFromCivil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = std::int64_t(yoe) + era * 400 + (month <= 2);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<long long>(year), month, day,
                static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                static_cast<long long>(rest % 60));
  return text;
}

std::int64_t NowUtc() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool ReadTrustState(const std::string &Path, TTrustState &State) {
  std::string text;
  if (!sys::ReadWholeFile(Path, text)) return false;
  std::istringstream in(text);
  std::string serialWord, serial, hashWord, hash;
  TTrustState read;
  std::string digest;
  if (!(in >> serialWord >> serial >> hashWord >> hash) || serialWord != "serial" || hashWord != "sha256" ||
      !ReadDecimal(serial, read.Serial) || !crypto::HexDecode(hash, digest) || digest.size() != 32) {
    return false;
  }
  read.Sha256Hex = sys::LowerAscii(hash);
  State = read;
  return true;
}

bool WriteTrustState(const std::string &Path, const TTrustState &State) {
  return sys::ReplaceWholeFile(Path, "serial " + std::to_string(State.Serial) + "\nsha256 " + State.Sha256Hex + "\n");
}

}  // namespace trust
