#include "crypto/Sha256.h"

namespace crypto {

Bytes32 Sha256Of(const std::string &Bytes) {
  Sha256 hash;
  hash.Update(Bytes.data(), Bytes.size());
  return hash.Finish();
}

}  // namespace crypto
