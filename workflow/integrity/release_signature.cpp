#include "workflow/integrity/release_signature.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace integrity {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;
using SigningContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string OpenSslError(const char* what) {
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    return std::string(what) + ": " + text;
}

Bio MemoryBio(const std::string& text) {
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), &BIO_free);
}

Key Ed25519Only(EVP_PKEY* key) {
    Key owned(key, &EVP_PKEY_free);
    if (owned && EVP_PKEY_id(owned.get()) != EVP_PKEY_ED25519) owned.reset();
    ERR_clear_error();
    return owned;
}

Key ReadPublicKey(const std::string& pem) {
    Bio bio = MemoryBio(pem);
    if (!bio) return Key(nullptr, &EVP_PKEY_free);
    return Ed25519Only(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
}

Key ReadPrivateKey(const std::string& pem) {
    Bio bio = MemoryBio(pem);
    if (!bio) return Key(nullptr, &EVP_PKEY_free);
    // No pass phrase: an encrypted key is refused instead of prompting.
    return Ed25519Only(PEM_read_bio_PrivateKey(
        bio.get(), nullptr, [](char*, int, int, void*) { return 0; }, nullptr));
}

bool BioText(BIO* bio, std::string* text) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    if (length <= 0 || data == nullptr) return false;
    text->assign(data, static_cast<size_t>(length));
    return true;
}

}  // namespace

bool GenerateKeyPair(KeyPairPem* keys, std::string* error) {
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), &EVP_PKEY_CTX_free);
    EVP_PKEY* raw = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_keygen(context.get(), &raw) != 1) {
        *error = OpenSslError("cannot make an Ed25519 key");
        return false;
    }
    Key key(raw, &EVP_PKEY_free);
    Bio privateBio(BIO_new(BIO_s_mem()), &BIO_free);
    Bio publicBio(BIO_new(BIO_s_mem()), &BIO_free);
    if (!privateBio || !publicBio ||
        PEM_write_bio_PrivateKey(privateBio.get(), key.get(), nullptr, nullptr, 0, nullptr,
                                 nullptr) != 1 ||
        PEM_write_bio_PUBKEY(publicBio.get(), key.get()) != 1 ||
        !BioText(privateBio.get(), &keys->privateKey) ||
        !BioText(publicBio.get(), &keys->publicKey)) {
        *error = OpenSslError("cannot write the key pair");
        return false;
    }
    return true;
}

bool IsPublicKeyPem(const std::string& pem) {
    return ReadPublicKey(pem) != nullptr;
}

bool IsPrivateKeyPem(const std::string& pem) {
    return ReadPrivateKey(pem) != nullptr;
}

bool SignMessage(const std::string& privateKeyPem, const std::string& message,
                 std::string* signature, std::string* error) {
    Key key = ReadPrivateKey(privateKeyPem);
    if (!key) {
        *error = "not an unencrypted Ed25519 private key in PEM form";
        return false;
    }
    SigningContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char bytes[kSignatureSize];
    size_t length = sizeof bytes;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), bytes, &length,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1 ||
        length != kSignatureSize) {
        *error = OpenSslError("signing failed");
        return false;
    }
    signature->assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool VerifyMessage(const std::string& publicKeyPem, const std::string& message,
                   const std::string& signature) {
    if (signature.size() != kSignatureSize) return false;
    Key key = ReadPublicKey(publicKeyPem);
    SigningContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!key || !context) return false;
    const bool verified =
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
        EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                         signature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                         message.size()) == 1;
    ERR_clear_error();
    return verified;
}

}  // namespace integrity
