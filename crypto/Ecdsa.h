#pragma once
// ECDSA on P-256 with the system's own implementation: CNG on Windows
// (BCryptImportKeyPair with the ECC key blobs, BCryptVerifySignature, BCryptSignHash and
// BCryptGenerateKeyPair on the 64-byte r||s form), OpenSSL's libcrypto on POSIX. Every
// call takes a SHA-256 digest (Sha256); nothing is hashed here.
#include "crypto/Keys.h"

namespace crypto {

bool VerifyDigest(const PublicKey &Key, const Bytes32 &Digest, const Signature &RS);
bool SignDigest(const PrivateKey &Key, const Bytes32 &Digest, Signature &RS);
bool GenerateKey(PrivateKey &Key);

}  // namespace crypto
