#include "engine/BuiltInSettings.h"

std::string UpdatePathForHost(const std::string &Host) { return "http://" + Host + "/k9tz/Quillet/"; }

bool BuiltInTrustedKeys(std::vector<crypto::PublicKey> &Keys) {
  Keys.clear();
  const std::string pem = BuiltInTrustedKeysPem();
  if (pem.find_first_not_of(" \t\r\n") == std::string::npos) return true;
  return crypto::ReadPublicKeysPem(pem, Keys);
}
