// The readers of what the signing work takes from files and servers: keys (DER and PEM),
// signatures (DER, base64, signature file lines), signed file entries and times. Each is
// strict, so whatever one reads, writing it again gives the same bytes or the same value.

#include <algorithm>

#include "crypto/Der.h"
#include "crypto/Encoding.h"
#include "crypto/Keys.h"
#include "engine/ManifestTrust.h"
#include "fuzz/FuzzSupport.h"

namespace {

using fuzz::Require;

// A key that signs nothing of the input, so that the signature lines are only read and
// tried, never verified.
crypto::PublicKey SomeKey() {
  crypto::PublicKey key;
  key.X.fill(1);
  key.Y.fill(2);
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);

  crypto::PublicKey publicKey;
  if (crypto::ReadSubjectPublicKeyInfo(bytes, publicKey)) {
    Require(crypto::SubjectPublicKeyInfo(publicKey) == bytes, "a public key read is written back byte for byte");
  }
  crypto::PrivateKey privateKey;
  if (crypto::ReadPrivateKeyInfo(bytes, privateKey)) {
    crypto::PrivateKey again;
    Require(crypto::ReadPrivateKeyInfo(crypto::PrivateKeyInfo(privateKey), again) &&
                again.Public == privateKey.Public && again.D == privateKey.D,
            "a private key read is written and read back the same");
  }
  crypto::Signature rs;
  if (crypto::ReadSignatureDer(bytes, rs)) {
    Require(crypto::SignatureDer(rs) == bytes, "a signature read is strict DER: written back byte for byte");
    Require(std::any_of(rs.begin(), rs.begin() + 32, [](unsigned char b) { return b; }) &&
                std::any_of(rs.begin() + 32, rs.end(), [](unsigned char b) { return b; }),
            "neither half of a signature read is zero");
  }
  std::string decoded;
  if (crypto::Base64Decode(bytes, decoded)) {
    Require(crypto::Base64Encode(decoded) == bytes, "base64 read is written back byte for byte");
  }
  std::vector<crypto::PublicKey> keys;
  if (crypto::ReadPublicKeysPem(bytes, keys)) Require(!keys.empty(), "a PEM text read holds a key");
  crypto::ReadPrivateKeyPem(bytes, privateKey);

  trust::TSignedFile file;
  if (trust::ReadFileHash(bytes, file)) {
    trust::TSignedFile again;
    Require(trust::ReadFileHash(trust::FileHashValue(file), again) && again.Name == file.Name &&
                again.Size == file.Size && again.Sha256 == file.Sha256,
            "a signed file entry is written and read back the same");
  }
  std::int64_t seconds = 0;
  if (trust::ParseUtcTime(bytes, seconds)) {
    Require(trust::FormatUtcTime(seconds) == bytes, "a time read is written back byte for byte");
  }
  // The signature file's lines are read, and none verifies by a key that signed nothing.
  Require(trust::LinesVerifiedBy("manifest", bytes, {SomeKey()}).empty(), "no line verifies by a key that signed nothing");
  return 0;
}
