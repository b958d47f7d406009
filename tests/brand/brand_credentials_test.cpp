// objstore-brand-credentials: what it prints goes back to the pair through UnscrambleCredentials,
// and pairs the stored form cannot hold are refused with the reason.
#include <gtest/gtest.h>

#include <bitset>
#include <sstream>
#include <string>
#include <vector>

#include "brand_credentials.h"
#include "workflow/credentials.h"

namespace {

// A made-up pair of 36 + 32 letters and digits.
const std::string kId = "ID0123456789abcdefghijklmnopqrstuvwx";
const std::string kKey = "KEYZYXWVUTSRQPONMLKJIHGFEDCBA987";

struct Outcome {
    int code;
    std::string out, err;
};

Outcome RunCommand(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int code = RunBrandCredentials(args, in, out, err);
    return {code, out.str(), err.str()};
}

// The stored text and mask of the command's two lines; fails the test when they are not there.
void ParseLines(const std::string& out, std::string& stored, uint64_t& mask) {
    std::istringstream lines(out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    ASSERT_EQ(first.rfind("credentials=", 0), 0u) << out;
    ASSERT_EQ(second.rfind("mask=0x", 0), 0u) << out;
    ASSERT_EQ(second.size(), 7u + 16u) << out;
    stored = first.substr(12);
    mask = std::stoull(second.substr(7), nullptr, 16);
}

TEST(BrandCredentials, GivenMaskAndFillerGiveAFixedTextThatUnscramblesToThePair) {
    Outcome run = RunCommand({"--mask", "0xffffffff", "--filler", "abcd", kId, kKey});
    ASSERT_EQ(run.code, kCredentialsPrinted) << run.err;
    // The key fills positions 0..31, the id the other 36; the filler follows the first character.
    EXPECT_EQ(run.out, "credentials=K" + std::string("abcd") + kKey.substr(1) + kId +
                           "\nmask=0x00000000ffffffff\n");
    std::string stored;
    uint64_t mask = 0;
    ParseLines(run.out, stored, mask);
    CredentialPair pair = UnscrambleCredentials(stored, mask);
    EXPECT_EQ(pair.secretId, kId);
    EXPECT_EQ(pair.secretKey, kKey);
}

TEST(BrandCredentials, RandomMaskAndFillerRoundTripAndDifferFromRunToRun) {
    std::string previous;
    for (const char* input : {"", "\r"}) {  // pair on the command line, then on input lines
        Outcome run = *input ? RunCommand({}, kId + input + "\n" + kKey + input + "\n")
                             : RunCommand({kId, kKey});
        ASSERT_EQ(run.code, kCredentialsPrinted) << run.err;
        std::string stored;
        uint64_t mask = 0;
        ParseLines(run.out, stored, mask);
        EXPECT_EQ(stored.size(), kStoredCredentialLength);
        EXPECT_TRUE(IsLettersAndDigits(stored));
        EXPECT_EQ(std::bitset<64>(mask).count(), kKey.size());
        CredentialPair pair = UnscrambleCredentials(stored, mask);
        EXPECT_EQ(pair.secretId, kId);
        EXPECT_EQ(pair.secretKey, kKey);
        EXPECT_NE(run.out, previous);
        previous = run.out;
    }
}

TEST(BrandCredentials, RandomMasksSetExactlyTheKeysLength) {
    for (size_t length : {0u, 1u, 32u, 63u, 64u}) {
        EXPECT_EQ(std::bitset<64>(RandomKeyMask(length)).count(), length);
    }
}

struct Refusal {
    std::vector<std::string> args;
    int code;
    const char* reason;
};

TEST(BrandCredentials, PairsTheStoredFormCannotHoldAreRefusedWithTheReason) {
    const std::string key64(64, 'k');
    const Refusal refusals[] = {
        {{kId.substr(1), kKey}, kCredentialsRefused, "must add up to 68 characters, not 67"},
        {{kId + "x", kKey}, kCredentialsRefused, "must add up to 68 characters, not 69"},
        {{"abc", key64 + "k"},
         kCredentialsRefused,
         "65 characters; the stored form holds at most 64"},
        {{kId.substr(0, 35) + "-", kKey}, kCredentialsRefused, "only letters and digits"},
        {{"--mask", "0xff", kId, kKey}, kCredentialsRefused, "the mask sets 8 bits"},
        {{"--filler", "ab", kId, kKey}, kCredentialsRefused, "filler must be 4"},
        {{"--mask", "-1", kId, kKey}, kCredentialsUsage, "not a hexadecimal number"},
        {{"--mask"}, kCredentialsUsage, "--mask needs a value"},
        {{"--key", kKey}, kCredentialsUsage, "unknown option --key"},
        {{kId}, kCredentialsUsage, "give both the secret id and the secret key"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.reason);
        Outcome run = RunCommand(r.args);
        EXPECT_EQ(run.code, r.code);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(r.reason), std::string::npos) << run.err;
    }
}

}  // namespace
