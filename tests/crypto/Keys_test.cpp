#include "crypto/Keys.h"

#include <gtest/gtest.h>

#include "crypto/Der.h"
#include "crypto/Encoding.h"

namespace {

std::string Hex(const std::string &text) {
  std::string bytes;
  EXPECT_TRUE(crypto::HexDecode(text, bytes)) << text;
  return bytes;
}

// The public key of RFC 6979, appendix A.2.5 (P-256).
crypto::PublicKey Rfc6979Key() {
  crypto::PublicKey key;
  const std::string x = Hex("60fed4ba255a9d31c961eb74c6356d68c049b8923b61fa6ce669622e60f29fb6");
  const std::string y = Hex("7903fe1008b8bc99a41ae9e95628bc64f2f1b20c2d7e9f5177a3c294d4462299");
  std::copy(x.begin(), x.end(), key.X.begin());
  std::copy(y.begin(), y.end(), key.Y.begin());
  return key;
}

const char kSpkiPrefix[] = "3059301306072a8648ce3d020106082a8648ce3d030107034200";

TEST(Keys, PublicKeysAreTheStandardSubjectPublicKeyInfo) {
  const crypto::PublicKey key = Rfc6979Key();
  const std::string der = crypto::SubjectPublicKeyInfo(key);
  EXPECT_EQ(crypto::HexEncode(der), std::string(kSpkiPrefix) + "04" + crypto::HexEncode(std::string(key.X.begin(), key.X.end())) +
                                        crypto::HexEncode(std::string(key.Y.begin(), key.Y.end())));
  crypto::PublicKey read;
  ASSERT_TRUE(crypto::ReadSubjectPublicKeyInfo(der, read));
  EXPECT_EQ(read, key);

  // As PEM, with several keys in one file and text around them.
  const std::string pem = crypto::PublicKeyPem(key);
  EXPECT_EQ(pem.rfind("-----BEGIN PUBLIC KEY-----\n", 0), 0u);
  std::vector<crypto::PublicKey> keys;
  ASSERT_TRUE(crypto::ReadPublicKeysPem("a comment\r\n" + pem + "\r\n" + pem, keys));
  EXPECT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[1], key);
  EXPECT_FALSE(crypto::ReadPublicKeysPem("no key here", keys));
  EXPECT_FALSE(crypto::ReadPublicKeysPem(pem.substr(0, pem.size() - 10), keys)) << "a block that is not closed";
}

TEST(Keys, OnlyP256PublicKeysInTheirUncompressedFormAreRead) {
  const std::string der = crypto::SubjectPublicKeyInfo(Rfc6979Key());
  crypto::PublicKey read;
  std::string compressed = der;
  compressed[26] = '\x02';
  std::string otherCurve = der;
  otherCurve[24] = '\x08';  // the last byte of the curve's OID
  std::string longForm = Hex("30815a") + der.substr(2);  // the outer length in a needless long form
  for (const std::string &bad : {der + std::string(1, '\0'), der.substr(0, der.size() - 1), compressed, otherCurve,
                                 longForm, std::string()}) {
    EXPECT_FALSE(crypto::ReadSubjectPublicKeyInfo(bad, read)) << crypto::HexEncode(bad);
  }
}

TEST(Keys, PrivateKeysAreReadInTheFormsOpensslWritesThem) {
  crypto::PrivateKey key;
  key.Public = Rfc6979Key();
  const std::string d = Hex("c9afa9d845ba75166b5c215767b1d6934e50c3db36e89b127b8a622b120f6721");
  std::copy(d.begin(), d.end(), key.D.begin());
  const std::string der = crypto::PrivateKeyInfo(key);
  // The layout of `openssl genpkey`: the curve named once, the public key inside.
  EXPECT_EQ(der.size(), 138u);
  EXPECT_EQ(crypto::HexEncode(der.substr(0, 36)),
            "308187020100301306072a8648ce3d020106082a8648ce3d030107046d306b0201010420");
  crypto::PrivateKey read;
  ASSERT_TRUE(crypto::ReadPrivateKeyPem(crypto::PrivateKeyPem(key), read));
  EXPECT_EQ(read.Public, key.Public);
  EXPECT_EQ(read.D, key.D);

  // With the curve named inside the ECPrivateKey too, and with attributes after it.
  const std::string point = crypto::DerValue(crypto::kDerBitString, std::string("\x00\x04", 2) + std::string(key.Public.X.begin(), key.Public.X.end()) +
                                                                         std::string(key.Public.Y.begin(), key.Public.Y.end()));
  const std::string algorithm = der.substr(6, 21);
  auto wrap = [&](const std::string &inner, const std::string &after) {
    const std::string ecKey = crypto::DerValue(crypto::kDerSequence, inner);
    return crypto::DerValue(crypto::kDerSequence, Hex("020100") + algorithm +
                                                      crypto::DerValue(crypto::kDerOctetString, ecKey) + after);
  };
  const std::string scalar = Hex("020101") + crypto::DerValue(crypto::kDerOctetString, d);
  const std::string named = crypto::DerValue(crypto::kDerContext0, Hex("06082a8648ce3d030107"));
  const std::string publicPart = crypto::DerValue(crypto::kDerContext1, point);
  ASSERT_TRUE(crypto::ReadPrivateKeyInfo(wrap(scalar + named + publicPart, ""), read));
  EXPECT_EQ(read.D, key.D);
  ASSERT_TRUE(crypto::ReadPrivateKeyInfo(wrap(scalar + publicPart, crypto::DerValue(crypto::kDerContext0, "")), read));
  // Without its public key, on another curve, or with bytes after it: not read.
  EXPECT_FALSE(crypto::ReadPrivateKeyInfo(wrap(scalar, ""), read));
  EXPECT_FALSE(crypto::ReadPrivateKeyInfo(
      wrap(scalar + crypto::DerValue(crypto::kDerContext0, Hex("06052b81040022")) + publicPart, ""), read));
  EXPECT_FALSE(crypto::ReadPrivateKeyInfo(der + std::string(1, '\0'), read));
  EXPECT_FALSE(crypto::ReadPrivateKeyPem(crypto::PublicKeyPem(key.Public), read));
}

TEST(Keys, SignaturesAreStrictDerBothWays) {
  crypto::Signature rs{};
  rs[31] = 1;        // r = 1
  rs[32] = 0x80;     // s has its high bit set: a zero byte goes before it
  EXPECT_EQ(crypto::HexEncode(crypto::SignatureDer(rs)),
            "30260201010221008000000000000000000000000000000000000000000000000000000000000000");
  crypto::Signature read{};
  ASSERT_TRUE(crypto::ReadSignatureDer(crypto::SignatureDer(rs), read));
  EXPECT_EQ(read, rs);

  for (const char *bad : {
           "3006020101020101" "00",  // a byte after the value
           "300702020001020101",     // r with a needless leading zero
           "3006020180020101",       // r negative
           "3006020100020101",       // r zero
           "30060201010201",         // cut short
           "3009020101020101020101", // a third integer
           "308106020101020101",     // a long-form length for a short value
           "3106020101020101",       // not a sequence
           ""}) {
    EXPECT_FALSE(crypto::ReadSignatureDer(Hex(bad), read)) << bad;
  }
  // 33 bytes of magnitude do not fit in 32.
  EXPECT_FALSE(crypto::ReadSignatureDer(Hex("30270222010000000000000000000000000000000000000000000000000000000000000000020101"), read));
}

}  // namespace
