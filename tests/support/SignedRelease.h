#pragma once
// A signed manifest as a vendor publishes one, built by a test: the release sections and
// "curr_version" it is given, a serial, an expiry and the size and SHA-256 of each file,
// and the signature file over its exact bytes by the keys the test chooses.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "crypto/Keys.h"
#include "engine/ManifestTrust.h"

namespace testing_support {

// A key pair made for one test.
crypto::PrivateKey NewKey();

struct SignedRelease {
  std::string Releases;  // "[conf]" is added in front; the release sections, newest first
  std::string CurrVersion;
  std::uint64_t Serial = 1;
  // Seconds since the epoch; fixed when the release is made, so that every Manifest() of
  // it is the same text.
  std::int64_t Expires = trust::NowUtc() + 7 * 86400;
  std::map<std::string, std::string> Files;  // name -> content, hashed into "files_hash"

  std::string Manifest() const;
  // The signature file over Manifest() by each key, one line each.
  std::string SignatureFile(const std::vector<crypto::PrivateKey> &Keys) const;
};

// A signature file over exactly these bytes.
std::string SignatureFileOver(const std::string &Manifest, const std::vector<crypto::PrivateKey> &Keys);

}  // namespace testing_support
