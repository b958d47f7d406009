// Writing a firm's release key pair to two files.
#pragma once

#include <string>

namespace release_keygen {

// Makes a new Ed25519 key pair and writes the private key (PKCS#8 PEM, readable by its owner
// only) and the public key (SubjectPublicKeyInfo PEM, for the brand folder's "release_key.pub").
// Neither file may exist yet: an existing key is never overwritten. Returns "" or the problem.
std::string WriteKeyPair(const std::string& privatePath, const std::string& publicPath);

}  // namespace release_keygen
