#pragma once
// What the publisher needs to sign: the vendor's keys from their PEM files, new key pairs,
// the size and hash of a file, and the signature file of a publication.
#include <string>
#include <vector>

#include "crypto/Keys.h"
#include "engine/ManifestTrust.h"

// Reads each file as one PKCS#8 P-256 private key (as `openssl genpkey` writes them); one
// problem line per file that is not one.
bool LoadSigningKeys(const std::vector<std::string> &Files, std::vector<crypto::PrivateKey> &Keys,
                     std::vector<std::string> &Problems);
std::vector<crypto::PublicKey> PublicHalves(const std::vector<crypto::PrivateKey> &Keys);

// A new key pair in two new files, the private one readable by its owner only where the
// system allows. Neither file may exist yet. False, with the reason, on failure.
bool WriteKeyPair(const std::string &PrivatePath, const std::string &PublicPath, std::string &Problem);

// The size and SHA-256 of the file at Path, read in pieces.
bool HashFile(const std::string &Path, trust::TSignedFile &File);

// The signature file of a publication: the lines of Served that verify over Outgoing by
// one of Keys, so that a client that still fetches the outgoing manifest verifies it, then
// one line over Incoming by each key. False when a key cannot sign.
bool SignatureFileFor(const std::string &Outgoing, const std::string &Served, const std::string &Incoming,
                      const std::vector<crypto::PrivateKey> &Keys, std::string &File);
