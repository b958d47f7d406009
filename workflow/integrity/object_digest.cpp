#include "workflow/integrity/object_digest.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace integrity {
namespace {

constexpr size_t kReadBlock = 1 << 20;

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using File = std::unique_ptr<FILE, decltype(&fclose)>;

DigestContext NewSha256() {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

std::string Hex(const unsigned char* bytes, unsigned int count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (unsigned int i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::optional<std::string> Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1) return std::nullopt;
    return Hex(digest, length);
}

}  // namespace

ObjectDigest DigestOfBytes(const std::string& bytes) {
    DigestContext context = NewSha256();
    ObjectDigest digest;
    digest.size = bytes.size();
    if (context && EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) == 1) {
        digest.sha256 = Finish(context.get()).value_or("");
    }
    return digest;
}

std::optional<ObjectDigest> DigestOfFile(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"), &fclose);
    DigestContext context = NewSha256();
    if (!file || !context) return std::nullopt;
    std::vector<unsigned char> block(kReadBlock);
    ObjectDigest digest;
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got > 0 && EVP_DigestUpdate(context.get(), block.data(), got) != 1) return std::nullopt;
        digest.size += got;
        if (got < block.size()) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    std::optional<std::string> sha256 = Finish(context.get());
    if (!sha256) return std::nullopt;
    digest.sha256 = *sha256;
    return digest;
}

}  // namespace integrity
