// Ed25519 keys and detached signatures of a release's summary (OpenSSL EVP).
//
// A firm keeps the private key (PKCS#8 PEM) where releases are built; its brand folder carries
// the public key (SubjectPublicKeyInfo PEM, "-----BEGIN PUBLIC KEY-----"). The signature object
// beside the summary holds the 64 raw signature bytes, as `openssl pkeyutl -sign -rawin` writes
// them.
#pragma once

#include <string>

namespace integrity {

constexpr size_t kSignatureSize = 64;

struct KeyPairPem {
    std::string privateKey;  // PKCS#8 PEM
    std::string publicKey;   // SubjectPublicKeyInfo PEM
};

// A new random key pair. False, with the reason in *error, when OpenSSL fails.
bool GenerateKeyPair(KeyPairPem* keys, std::string* error);

// True when the text is the PEM of an Ed25519 public key (private keys are refused).
bool IsPublicKeyPem(const std::string& pem);
// True when the text is the PEM of an Ed25519 private key.
bool IsPrivateKeyPem(const std::string& pem);

// The 64-byte signature of `message` by the private key. False, with *error, when the key is no
// Ed25519 private key or signing fails.
bool SignMessage(const std::string& privateKeyPem, const std::string& message,
                 std::string* signature, std::string* error);

// True only when `signature` is the Ed25519 signature of exactly `message` by the key whose
// public PEM is given. A key that does not parse, another key type or a signature of the wrong
// length gives false.
bool VerifyMessage(const std::string& publicKeyPem, const std::string& message,
                   const std::string& signature);

}  // namespace integrity
