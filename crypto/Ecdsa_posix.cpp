#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

#include "crypto/Ecdsa.h"

namespace crypto {

namespace {

template <typename T, void (*Free)(T *)>
struct Deleter {
  void operator()(T *object) const { Free(object); }
};
using KeyPointer = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using ContextPointer = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using ParamsPointer = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>>;
using BuilderPointer = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using NumberPointer = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_clear_free>>;

std::string Point(const PublicKey &Key) {
  std::string point(1, '\x04');
  point.append(Key.X.begin(), Key.X.end());
  point.append(Key.Y.begin(), Key.Y.end());
  return point;
}

// The key as libcrypto holds it; the private scalar only when given. Null for a point
// that is not on the curve.
KeyPointer MakeKey(const PublicKey &Public, const Bytes32 *D) {
  BuilderPointer builder(OSSL_PARAM_BLD_new());
  const std::string point = Point(Public);
  NumberPointer scalar(D ? BN_bin2bn(D->data(), int(D->size()), nullptr) : nullptr);
  if (!builder || !OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) ||
      !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()) ||
      (D && (!scalar || !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_PRIV_KEY, scalar.get())))) {
    return nullptr;
  }
  ParamsPointer params(OSSL_PARAM_BLD_to_param(builder.get()));
  ContextPointer context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY *key = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &key, D ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
    return nullptr;
  }
  return KeyPointer(key);
}

}  // namespace

bool VerifyDigest(const PublicKey &Key, const Bytes32 &Digest, const Signature &RS) {
  const KeyPointer key = MakeKey(Key, nullptr);
  if (!key) return false;
  ContextPointer context(EVP_PKEY_CTX_new(key.get(), nullptr));
  const std::string der = SignatureDer(RS);
  // 1 is a good signature; 0 a bad one and a negative value a malformed one.
  return context && EVP_PKEY_verify_init(context.get()) == 1 &&
         EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
         EVP_PKEY_verify(context.get(), reinterpret_cast<const unsigned char *>(der.data()), der.size(), Digest.data(),
                         Digest.size()) == 1;
}

bool SignDigest(const PrivateKey &Key, const Bytes32 &Digest, Signature &RS) {
  const KeyPointer key = MakeKey(Key.Public, &Key.D);
  if (!key) return false;
  ContextPointer context(EVP_PKEY_CTX_new(key.get(), nullptr));
  unsigned char der[80];
  std::size_t length = sizeof der;
  return context && EVP_PKEY_sign_init(context.get()) == 1 &&
         EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
         EVP_PKEY_sign(context.get(), der, &length, Digest.data(), Digest.size()) == 1 &&
         ReadSignatureDer(std::string(reinterpret_cast<const char *>(der), length), RS);
}

bool GenerateKey(PrivateKey &Key) {
  KeyPointer key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  unsigned char point[65];
  std::size_t length = 0;
  BIGNUM *scalar = nullptr;
  if (!key ||
      EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &length) != 1 ||
      length != sizeof point || point[0] != 0x04 ||
      EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_PRIV_KEY, &scalar) != 1) {
    return false;
  }
  NumberPointer owned(scalar);
  std::copy(point + 1, point + 33, Key.Public.X.begin());
  std::copy(point + 33, point + 65, Key.Public.Y.begin());
  // The scalar has as many bytes as its value needs; the key holds all 32.
  return BN_bn2binpad(owned.get(), Key.D.data(), int(Key.D.size())) == int(Key.D.size());
}

}  // namespace crypto
