#pragma once
// SHA-256 with the system's own implementation: CNG on Windows (BCryptCreateHash,
// BCryptHashData, BCryptFinishHash, which Windows 7 has), OpenSSL's libcrypto on POSIX.
#include <cstddef>
#include <memory>
#include <string>

#include "crypto/Keys.h"

namespace crypto {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256 &) = delete;
  Sha256 &operator=(const Sha256 &) = delete;

  // False when the system cannot hash; Finish then gives zeros, which match nothing signed.
  bool Ok() const;
  void Update(const void *Data, std::size_t Size);
  // The digest of every byte given since construction or the last Finish.
  Bytes32 Finish();

  struct State;

 private:
  struct StateDeleter {
    void operator()(State *state) const;
  };
  std::unique_ptr<State, StateDeleter> state_;
};

Bytes32 Sha256Of(const std::string &Bytes);

}  // namespace crypto
