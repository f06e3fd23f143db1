#include "crypto/Keys.h"

#include <algorithm>

#include "crypto/Der.h"
#include "crypto/Encoding.h"

namespace crypto {

namespace {

// OID 1.2.840.10045.2.1 (id-ecPublicKey) and 1.2.840.10045.3.1.7 (prime256v1), DER.
const std::string kEcPublicKeyOid("\x2A\x86\x48\xCE\x3D\x02\x01", 7);
const std::string kP256Oid("\x2A\x86\x48\xCE\x3D\x03\x01\x07", 8);
const char kPublicLabel[] = "PUBLIC KEY";
const char kPrivateLabel[] = "PRIVATE KEY";

std::string AlgorithmIdentifier() {
  return DerValue(kDerSequence, DerValue(kDerObjectId, kEcPublicKeyOid) + DerValue(kDerObjectId, kP256Oid));
}

// The point as a BIT STRING: no unused bits, the uncompressed form 04 || X || Y.
std::string PointBits(const PublicKey &Key) {
  std::string bits("\x00\x04", 2);
  bits.append(Key.X.begin(), Key.X.end());
  bits.append(Key.Y.begin(), Key.Y.end());
  return DerValue(kDerBitString, bits);
}

bool ReadPointBits(const std::string &Bits, PublicKey &Key) {
  if (Bits.size() != 66 || Bits[0] != '\0' || Bits[1] != '\x04') return false;
  std::copy(Bits.begin() + 2, Bits.begin() + 34, Key.X.begin());
  std::copy(Bits.begin() + 34, Bits.end(), Key.Y.begin());
  return true;
}

bool ReadAlgorithm(DerReader &outer) {
  std::string algorithm, oid, curve;
  DerReader reader(algorithm);
  return outer.Read(kDerSequence, algorithm) && reader.Read(kDerObjectId, oid) && oid == kEcPublicKeyOid &&
         reader.Read(kDerObjectId, curve) && curve == kP256Oid && reader.AtEnd();
}

std::string Pem(const char *label, const std::string &der) {
  const std::string text = Base64Encode(der);
  std::string pem = std::string("-----BEGIN ") + label + "-----\n";
  for (std::size_t i = 0; i < text.size(); i += 64) pem += text.substr(i, 64) + "\n";
  return pem + "-----END " + label + "-----\n";
}

// The DER of every block of Text with this label, in order. False when a block is not
// closed or its base64 is broken.
bool PemBlocks(const std::string &Text, const char *label, std::vector<std::string> &ders) {
  const std::string begin = std::string("-----BEGIN ") + label + "-----";
  const std::string end = std::string("-----END ") + label + "-----";
  ders.clear();
  for (std::size_t at = Text.find(begin); at != std::string::npos; at = Text.find(begin, at)) {
    const std::size_t body = at + begin.size();
    const std::size_t stop = Text.find(end, body);
    if (stop == std::string::npos) return false;
    std::string base64;
    for (std::size_t i = body; i < stop; ++i) {
      const char c = Text[i];
      if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
      base64 += c;
    }
    std::string der;
    if (!Base64Decode(base64, der)) return false;
    ders.push_back(der);
    at = stop + end.size();
  }
  return true;
}

// A minimal positive DER INTEGER of a 32-byte big-endian number.
std::string Integer(const unsigned char *number) {
  std::size_t first = 0;
  while (first < 31 && number[first] == 0) ++first;
  std::string contents;
  if (number[first] & 0x80) contents += '\0';
  contents.append(reinterpret_cast<const char *>(number) + first, 32 - first);
  return DerValue(kDerInteger, contents);
}

// A minimal positive INTEGER's contents as a 32-byte big-endian number, not zero.
bool ReadInteger(const std::string &contents, unsigned char *number) {
  if (contents.empty() || (contents[0] & 0x80)) return false;                        // negative
  if (contents.size() > 1 && contents[0] == '\0' && !(contents[1] & 0x80)) return false;  // not minimal
  const std::string magnitude = contents[0] == '\0' ? contents.substr(1) : contents;
  if (magnitude.empty() || magnitude.size() > 32) return false;
  std::fill(number, number + 32, 0);
  std::copy(magnitude.begin(), magnitude.end(), number + 32 - magnitude.size());
  return std::any_of(number, number + 32, [](unsigned char b) { return b != 0; });
}

}  // namespace

std::string SubjectPublicKeyInfo(const PublicKey &Key) {
  return DerValue(kDerSequence, AlgorithmIdentifier() + PointBits(Key));
}

bool ReadSubjectPublicKeyInfo(const std::string &Der, PublicKey &Key) {
  DerReader outer(Der);
  std::string info, bits;
  if (!outer.Read(kDerSequence, info) || !outer.AtEnd()) return false;
  DerReader reader(info);
  return ReadAlgorithm(reader) && reader.Read(kDerBitString, bits) && reader.AtEnd() && ReadPointBits(bits, Key);
}

std::string PrivateKeyInfo(const PrivateKey &Key) {
  const std::string ecPrivateKey =
      DerValue(kDerSequence, DerValue(kDerInteger, std::string(1, '\x01')) +
                                 DerValue(kDerOctetString, std::string(Key.D.begin(), Key.D.end())) +
                                 DerValue(kDerContext1, PointBits(Key.Public)));
  return DerValue(kDerSequence, DerValue(kDerInteger, std::string(1, '\0')) + AlgorithmIdentifier() +
                                    DerValue(kDerOctetString, ecPrivateKey));
}

bool ReadPrivateKeyInfo(const std::string &Der, PrivateKey &Key) {
  DerReader outer(Der);
  std::string info, version, wrapped;
  if (!outer.Read(kDerSequence, info) || !outer.AtEnd()) return false;
  DerReader reader(info);
  if (!reader.Read(kDerInteger, version) || version != std::string(1, '\0') || !ReadAlgorithm(reader) ||
      !reader.Read(kDerOctetString, wrapped)) {
    return false;
  }
  // Attributes may follow; they say nothing about the key.
  unsigned char tag = 0;
  std::string attributes;
  if (reader.PeekTag(tag) && !reader.Read(kDerContext0, attributes)) return false;
  if (!reader.AtEnd()) return false;

  DerReader wrappedReader(wrapped);
  std::string ecPrivateKey, ecVersion, scalar;
  if (!wrappedReader.Read(kDerSequence, ecPrivateKey) || !wrappedReader.AtEnd()) return false;
  DerReader keyReader(ecPrivateKey);
  if (!keyReader.Read(kDerInteger, ecVersion) || ecVersion != std::string(1, '\x01') ||
      !keyReader.Read(kDerOctetString, scalar) || scalar.size() != 32) {
    return false;
  }
  // The curve may be named again; it must be ours.
  if (keyReader.PeekTag(tag) && tag == kDerContext0) {
    std::string parameters, curve;
    if (!keyReader.Read(kDerContext0, parameters)) return false;
    DerReader parametersReader(parameters);
    if (!parametersReader.Read(kDerObjectId, curve) || curve != kP256Oid || !parametersReader.AtEnd()) return false;
  }
  std::string publicKey, bits;
  if (!keyReader.Read(kDerContext1, publicKey) || !keyReader.AtEnd()) return false;
  DerReader publicReader(publicKey);
  if (!publicReader.Read(kDerBitString, bits) || !publicReader.AtEnd()) return false;
  std::copy(scalar.begin(), scalar.end(), Key.D.begin());
  return ReadPointBits(bits, Key.Public);
}

std::string PublicKeyPem(const PublicKey &Key) { return Pem(kPublicLabel, SubjectPublicKeyInfo(Key)); }

std::string PrivateKeyPem(const PrivateKey &Key) { return Pem(kPrivateLabel, PrivateKeyInfo(Key)); }

bool ReadPublicKeysPem(const std::string &Text, std::vector<PublicKey> &Keys) {
  std::vector<std::string> ders;
  Keys.clear();
  if (!PemBlocks(Text, kPublicLabel, ders) || ders.empty()) return false;
  for (const std::string &der : ders) {
    PublicKey key;
    if (!ReadSubjectPublicKeyInfo(der, key)) return false;
    Keys.push_back(key);
  }
  return true;
}

bool ReadPrivateKeyPem(const std::string &Text, PrivateKey &Key) {
  std::vector<std::string> ders;
  return PemBlocks(Text, kPrivateLabel, ders) && ders.size() == 1 && ReadPrivateKeyInfo(ders[0], Key);
}

std::string SignatureDer(const Signature &RS) {
  return DerValue(kDerSequence, Integer(RS.data()) + Integer(RS.data() + 32));
}

bool ReadSignatureDer(const std::string &Der, Signature &RS) {
  DerReader outer(Der);
  std::string sequence, r, s;
  if (!outer.Read(kDerSequence, sequence) || !outer.AtEnd()) return false;
  DerReader reader(sequence);
  return reader.Read(kDerInteger, r) && reader.Read(kDerInteger, s) && reader.AtEnd() &&
         ReadInteger(r, RS.data()) && ReadInteger(s, RS.data() + 32);
}

}  // namespace crypto
