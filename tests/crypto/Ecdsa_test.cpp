#include "crypto/Ecdsa.h"

#include <gtest/gtest.h>

#include "crypto/Encoding.h"
#include "crypto/Sha256.h"

namespace {

std::string Hex(const crypto::Bytes32 &digest) { return crypto::HexEncode(std::string(digest.begin(), digest.end())); }

template <std::size_t N>
void FromHex(const std::string &text, std::array<unsigned char, N> &out) {
  std::string bytes;
  ASSERT_TRUE(crypto::HexDecode(text, bytes));
  ASSERT_EQ(bytes.size(), N);
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

TEST(Sha256, KnownDigestsWholeAndInPieces) {
  EXPECT_EQ(Hex(crypto::Sha256Of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(crypto::Sha256Of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  crypto::Sha256 hash;
  ASSERT_TRUE(hash.Ok());
  const std::string thousand(1000, 'a');
  for (int i = 0; i < 1000; ++i) hash.Update(thousand.data(), thousand.size());
  EXPECT_EQ(Hex(hash.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // A finished hasher starts anew.
  hash.Update("abc", 3);
  EXPECT_EQ(Hex(hash.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// RFC 6979, appendix A.2.5: the key and the signature of "sample" with SHA-256, made by
// another implementation.
TEST(Ecdsa, AStandardSignatureVerifiesAndAnyChangeFails) {
  crypto::PublicKey key;
  FromHex("60fed4ba255a9d31c961eb74c6356d68c049b8923b61fa6ce669622e60f29fb6", key.X);
  FromHex("7903fe1008b8bc99a41ae9e95628bc64f2f1b20c2d7e9f5177a3c294d4462299", key.Y);
  crypto::Signature rs;
  FromHex("efd48b2aacb6a8fd1140dd9cd45e81d69d2c877b56aaf991c34d0ea84eaf3716"
          "f7cb1c942d657c41d436c7a1b6e29f65f3e900dbb9aff4064dc4ab2f843acda8",
          rs);
  const crypto::Bytes32 digest = crypto::Sha256Of("sample");
  EXPECT_TRUE(crypto::VerifyDigest(key, digest, rs));
  EXPECT_FALSE(crypto::VerifyDigest(key, crypto::Sha256Of("samplf"), rs));
  for (std::size_t byte : {std::size_t(0), std::size_t(31), std::size_t(32), std::size_t(63)}) {
    crypto::Signature changed = rs;
    changed[byte] ^= 1;
    EXPECT_FALSE(crypto::VerifyDigest(key, digest, changed)) << byte;
  }
  crypto::PublicKey offCurve = key;
  offCurve.Y[31] ^= 1;
  EXPECT_FALSE(crypto::VerifyDigest(offCurve, digest, rs));
}

TEST(Ecdsa, GeneratedKeysSignWhatTheyVerify) {
  crypto::PrivateKey first, second;
  ASSERT_TRUE(crypto::GenerateKey(first));
  ASSERT_TRUE(crypto::GenerateKey(second));
  EXPECT_FALSE(first.Public == second.Public);
  const crypto::Bytes32 digest = crypto::Sha256Of("update.ini");
  crypto::Signature rs;
  ASSERT_TRUE(crypto::SignDigest(first, digest, rs));
  EXPECT_TRUE(crypto::VerifyDigest(first.Public, digest, rs));
  EXPECT_FALSE(crypto::VerifyDigest(second.Public, digest, rs));
  // Through the stored forms and back.
  crypto::PrivateKey read;
  ASSERT_TRUE(crypto::ReadPrivateKeyPem(crypto::PrivateKeyPem(first), read));
  crypto::Signature again, decoded;
  ASSERT_TRUE(crypto::SignDigest(read, digest, again));
  ASSERT_TRUE(crypto::ReadSignatureDer(crypto::SignatureDer(again), decoded));
  EXPECT_TRUE(crypto::VerifyDigest(first.Public, digest, decoded));
}

}  // namespace
