#pragma once
// The settings built into each executable (cmake: quillet_builtin_settings), the shipped
// ones with the build's QUILLET_UPDATE_HOST and QUILLET_TRUSTED_KEYS, and what is made of
// them.
#include <string>
#include <vector>

#include "crypto/Keys.h"
#include "engine/SoftUpdater.h"

// The update server, and how a check probes it.
std::string DefaultUpdateHost();
THostProbe BuiltInHostProbe();

// The base URL of the update directory on host: "http://" + host + "/k9tz/Quillet/".
std::string UpdatePathForHost(const std::string &Host);

// The public keys whose signatures the executable trusts, as PEM text (one or more
// "PUBLIC KEY" blocks); empty for a build that trusts no key.
std::string BuiltInTrustedKeysPem();

// Those keys, read. False when the built-in text is not empty and holds anything but P-256
// public keys: such a build trusts nothing it could verify, and says so.
bool BuiltInTrustedKeys(std::vector<crypto::PublicKey> &Keys);
