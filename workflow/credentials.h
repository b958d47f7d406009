// The storage credential pair and the scrambled form in which a build carries it.
//
// The stored form is 72 letters and digits: the first character, 4 filler characters, then the 67
// remaining characters of the 68 that the pair's two texts interleave to. Position i of those 68
// (from 0) belongs to the secret key when i is at most 63 and bit i of the 64-bit position mask is
// set, to the secret id otherwise; each text keeps its own order.
#pragma once

#include <cstdint>
#include <string>

struct CredentialPair {
    std::string secretId;
    std::string secretKey;
};

constexpr size_t kStoredCredentialLength = 72;
constexpr size_t kCredentialPairLength = 68;  // secretId and secretKey together

// The pair a stored text holds. Text beyond 72 characters is ignored; a shorter text gives a
// shorter pair.
CredentialPair UnscrambleCredentials(const std::string& stored, uint64_t mask);

// The stored form of a pair with the given mask and 4 filler characters. False, with the reason
// in `error`, when the pair cannot be stored: the texts do not add up to 68 characters, hold
// anything but letters and digits, or the key's length is not the number of bits set in the mask.
bool ScrambleCredentials(const CredentialPair& pair, uint64_t mask, const std::string& filler,
                         std::string& stored, std::string& error);

// True when every character is an ASCII letter or digit.
bool IsLettersAndDigits(const std::string& text);
