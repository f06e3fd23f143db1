#include "tests/support/SignedRelease.h"

#include "crypto/Ecdsa.h"
#include "crypto/Sha256.h"

namespace testing_support {

crypto::PrivateKey NewKey() {
  crypto::PrivateKey key;
  crypto::GenerateKey(key);
  return key;
}

std::string SignedRelease::Manifest() const {
  std::string text = "[conf]\r\ncurr_version=" + CurrVersion + "\r\nserial=" + std::to_string(Serial) +
                     "\r\nexpires=" + trust::FormatUtcTime(Expires) + "\r\n\r\n[files_hash]\r\n";
  int n = 0;
  for (const auto &file : Files) {
    trust::TSignedFile signedFile{file.first, file.second.size(), crypto::Sha256Of(file.second)};
    text += "h" + std::to_string(++n) + "=" + trust::FileHashValue(signedFile) + "\r\n";
  }
  return text + "\r\n" + Releases;
}

std::string SignedRelease::SignatureFile(const std::vector<crypto::PrivateKey> &Keys) const {
  return SignatureFileOver(Manifest(), Keys);
}

std::string SignatureFileOver(const std::string &Manifest, const std::vector<crypto::PrivateKey> &Keys) {
  std::string file;
  for (const crypto::PrivateKey &key : Keys) {
    std::string line;
    trust::SignatureLine(key, Manifest, line);
    file += line + "\n";
  }
  return file;
}

}  // namespace testing_support
