#include "release_signing.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "workflow/integrity/release_signature.h"

namespace release_builder {

std::string ReadSigningKey(const std::string& path, std::string* key) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the signing key \"" + path + "\"";
    std::ostringstream text;
    text << in.rdbuf();
    if (!integrity::IsPrivateKeyPem(text.str()))
        return "the signing key \"" + path +
               "\" is not an unencrypted Ed25519 private key in PEM form";
    *key = text.str();
    return std::string();
}

std::string SummaryWithDigests(const std::string& summaryText,
                               const integrity::DigestList& digests) {
    return summaryText + "\r\n" + integrity::DigestSectionText(digests);
}

bool DigestPackages(const std::string& folder, const std::vector<std::string>& objectKeys,
                    integrity::DigestList* digests, std::string* error) {
    for (const std::string& key : objectKeys) {
        const std::string path = (std::filesystem::path(folder) / key).string();
        std::optional<integrity::ObjectDigest> digest = integrity::DigestOfFile(path);
        if (!digest) {
            *error = "cannot read \"" + path + "\" back to digest it";
            return false;
        }
        digests->emplace_back(key, *digest);
    }
    return true;
}

}  // namespace release_builder
