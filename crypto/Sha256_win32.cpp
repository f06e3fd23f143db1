#include <windows.h>

#include <bcrypt.h>

#include "crypto/Sha256.h"

namespace crypto {

namespace {

// The SHA-256 provider, opened once for the process.
BCRYPT_ALG_HANDLE Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ? handle
                                                                                                      : nullptr;
  }();
  return provider;
}

BCRYPT_HASH_HANDLE NewHash() {
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!Provider() || !BCRYPT_SUCCESS(BCryptCreateHash(Provider(), &hash, nullptr, 0, nullptr, 0, 0))) return nullptr;
  return hash;
}

}  // namespace

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = NewHash();
  bool ok = hash != nullptr;
  ~State() {
    if (hash) BCryptDestroyHash(hash);
  }
};

void Sha256::StateDeleter::operator()(State *state) const { delete state; }

Sha256::Sha256() : state_(new State) {}
Sha256::~Sha256() = default;

bool Sha256::Ok() const { return state_->ok; }

void Sha256::Update(const void *Data, std::size_t Size) {
  const auto *bytes = static_cast<const unsigned char *>(Data);
  while (state_->ok && Size > 0) {
    const ULONG chunk = Size > 0x40000000u ? 0x40000000u : ULONG(Size);
    state_->ok = BCRYPT_SUCCESS(BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), chunk, 0));
    bytes += chunk;
    Size -= chunk;
  }
}

Bytes32 Sha256::Finish() {
  Bytes32 digest{};
  if (!state_->ok || !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest.data(), ULONG(digest.size()), 0))) {
    digest.fill(0);
  }
  // A finished hash takes no more data: the next one starts afresh.
  if (state_->hash) BCryptDestroyHash(state_->hash);
  state_->hash = NewHash();
  state_->ok = state_->hash != nullptr;
  return digest;
}

}  // namespace crypto
