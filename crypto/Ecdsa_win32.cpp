#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstring>

#include "crypto/Ecdsa.h"

namespace crypto {

namespace {

// The ECDSA P-256 provider, opened once for the process.
BCRYPT_ALG_HANDLE Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) ? handle
                                                                                                          : nullptr;
  }();
  return provider;
}

class KeyHandle {
 public:
  explicit KeyHandle(BCRYPT_KEY_HANDLE key = nullptr) : key_(key) {}
  ~KeyHandle() {
    if (key_) BCryptDestroyKey(key_);
  }
  KeyHandle(const KeyHandle &) = delete;
  KeyHandle &operator=(const KeyHandle &) = delete;
  BCRYPT_KEY_HANDLE get() const { return key_; }
  BCRYPT_KEY_HANDLE *out() { return &key_; }

 private:
  BCRYPT_KEY_HANDLE key_;
};

constexpr ULONG kCoordinate = 32;
constexpr ULONG kPublicBlobSize = sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinate;
constexpr ULONG kPrivateBlobSize = kPublicBlobSize + kCoordinate;

// A key blob: the header, X, Y and, for a private one, d; all big-endian.
std::string Blob(const PublicKey &Key, const Bytes32 *D) {
  BCRYPT_ECCKEY_BLOB header{D ? ULONG(BCRYPT_ECDSA_PRIVATE_P256_MAGIC) : ULONG(BCRYPT_ECDSA_PUBLIC_P256_MAGIC),
                            kCoordinate};
  std::string blob(reinterpret_cast<const char *>(&header), sizeof header);
  blob.append(Key.X.begin(), Key.X.end());
  blob.append(Key.Y.begin(), Key.Y.end());
  if (D) blob.append(D->begin(), D->end());
  return blob;
}

bool Import(const PublicKey &Key, const Bytes32 *D, KeyHandle &handle) {
  std::string blob = Blob(Key, D);
  return Provider() && BCRYPT_SUCCESS(BCryptImportKeyPair(Provider(), nullptr,
                                                          D ? BCRYPT_ECCPRIVATE_BLOB : BCRYPT_ECCPUBLIC_BLOB,
                                                          handle.out(), reinterpret_cast<PUCHAR>(&blob[0]),
                                                          ULONG(blob.size()), 0));
}

}  // namespace

bool VerifyDigest(const PublicKey &Key, const Bytes32 &Digest, const Signature &RS) {
  KeyHandle key;
  Signature signature = RS;
  Bytes32 digest = Digest;
  return Import(Key, nullptr, key) &&
         BCryptVerifySignature(key.get(), nullptr, digest.data(), ULONG(digest.size()), signature.data(),
                               ULONG(signature.size()), 0) == 0;
}

bool SignDigest(const PrivateKey &Key, const Bytes32 &Digest, Signature &RS) {
  KeyHandle key;
  Bytes32 digest = Digest;
  ULONG written = 0;
  // Always the whole 64 bytes: Wine answers a size query with 32.
  return Import(Key.Public, &Key.D, key) &&
         BCRYPT_SUCCESS(BCryptSignHash(key.get(), nullptr, digest.data(), ULONG(digest.size()), RS.data(),
                                       ULONG(RS.size()), &written, 0)) &&
         written == RS.size();
}

bool GenerateKey(PrivateKey &Key) {
  KeyHandle key;
  if (!Provider() || !BCRYPT_SUCCESS(BCryptGenerateKeyPair(Provider(), key.out(), 256, 0)) ||
      !BCRYPT_SUCCESS(BCryptFinalizeKeyPair(key.get(), 0))) {
    return false;
  }
  unsigned char blob[kPrivateBlobSize];
  ULONG written = 0;
  // Wine reports success without writing into a short buffer: the size is checked too.
  if (!BCRYPT_SUCCESS(BCryptExportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob, sizeof blob, &written, 0)) ||
      written != sizeof blob) {
    return false;
  }
  const unsigned char *at = blob + sizeof(BCRYPT_ECCKEY_BLOB);
  std::copy(at, at + kCoordinate, Key.Public.X.begin());
  std::copy(at + kCoordinate, at + 2 * kCoordinate, Key.Public.Y.begin());
  std::copy(at + 2 * kCoordinate, at + 3 * kCoordinate, Key.D.begin());
  SecureZeroMemory(blob, sizeof blob);
  return true;
}

}  // namespace crypto
