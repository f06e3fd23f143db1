#include <openssl/evp.h>

#include "crypto/Sha256.h"

namespace crypto {

struct Sha256::State {
  EVP_MD_CTX *context = EVP_MD_CTX_new();
  bool ok = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
  ~State() { EVP_MD_CTX_free(context); }
};

void Sha256::StateDeleter::operator()(State *state) const { delete state; }

Sha256::Sha256() : state_(new State) {}
Sha256::~Sha256() = default;

bool Sha256::Ok() const { return state_->ok; }

void Sha256::Update(const void *Data, std::size_t Size) {
  if (state_->ok && Size > 0) state_->ok = EVP_DigestUpdate(state_->context, Data, Size) == 1;
}

Bytes32 Sha256::Finish() {
  Bytes32 digest{};
  unsigned int length = 0;
  if (!state_->ok || EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1 || length != digest.size()) {
    digest.fill(0);
    state_->ok = false;
  }
  state_->ok = state_->ok && EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) == 1;
  return digest;
}

}  // namespace crypto
