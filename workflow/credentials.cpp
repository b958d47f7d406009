#include "workflow/credentials.h"

#include <bitset>

namespace {

constexpr size_t kFillerLength = 4;
constexpr size_t kMaskBits = 64;

bool KeyHolds(uint64_t mask, size_t position) {
    return position < kMaskBits && ((mask >> position) & 1u) != 0;
}

}  // namespace

bool IsLettersAndDigits(const std::string& text) {
    for (unsigned char c : text) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter && !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

CredentialPair UnscrambleCredentials(const std::string& stored, uint64_t mask) {
    std::string text = stored.substr(0, kStoredCredentialLength);
    if (text.size() > 1) text.erase(1, kFillerLength);
    CredentialPair pair;
    for (size_t i = 0; i < text.size(); ++i) {
        (KeyHolds(mask, i) ? pair.secretKey : pair.secretId) += text[i];
    }
    return pair;
}

bool ScrambleCredentials(const CredentialPair& pair, uint64_t mask, const std::string& filler,
                         std::string& stored, std::string& error) {
    size_t total = pair.secretId.size() + pair.secretKey.size();
    size_t maskBits = std::bitset<kMaskBits>(mask).count();
    if (total != kCredentialPairLength) {
        error = "the secret id (" + std::to_string(pair.secretId.size()) +
                " characters) and the secret key (" + std::to_string(pair.secretKey.size()) +
                ") must add up to 68 characters, not " + std::to_string(total);
    } else if (!IsLettersAndDigits(pair.secretId) || !IsLettersAndDigits(pair.secretKey)) {
        error = "the secret id and key may hold only letters and digits";
    } else if (filler.size() != kFillerLength || !IsLettersAndDigits(filler)) {
        error = "the filler must be 4 letters or digits";
    } else if (pair.secretKey.size() != maskBits) {
        error = "the mask sets " + std::to_string(maskBits) + " bits but the secret key has " +
                std::to_string(pair.secretKey.size()) + " characters";
    } else {
        std::string interleaved;
        size_t id = 0, key = 0;
        for (size_t i = 0; i < kCredentialPairLength; ++i) {
            interleaved += KeyHolds(mask, i) ? pair.secretKey[key++] : pair.secretId[id++];
        }
        stored = interleaved.substr(0, 1) + filler + interleaved.substr(1);
        return true;
    }
    return false;
}
