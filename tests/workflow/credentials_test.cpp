// The scrambled credential pair and the storage settings of the sample brand.
#include "workflow/credentials.h"

#include <gtest/gtest.h>

#include "util/cos_global_settings.h"
#include "workflow/storage_brand.h"
#include "workflow/storage_settings.h"

namespace {

const char kId36[] = "AKIDabcdefghijklmnopqrstuvwxyz012345";
const char kKey32[] = "KEYabcdefghijklmnopqrstuvwxyz012";

TEST(Credentials, TheSampleBrandHoldsTheStandInsPair) {
    // Worked out by hand from storage.ini with a separate script: the text without the 4
    // characters after the first, split by the mask's bits.
    const StorageBrand& brand = BuildStorageBrand();
    CredentialPair pair = UnscrambleCredentials(brand.storedCredentials, brand.credentialMask);
    EXPECT_EQ(pair.secretId, "AKIDsampleeJGSSuZoaI0pNbmzNeN6vtVu8J");
    EXPECT_EQ(pair.secretKey, "samplefWJ7pq3wETQ4yWzSDWQwzSuL8t");
}

TEST(Credentials, ScramblingAndUnscramblingGiveThePairBackForAnyMask) {
    const struct {
        uint64_t mask;
        std::string id, key;
    } rows[] = {
        {0xFFFFFFFFull, kId36, kKey32},  // the key first, then the id
        {0xFFFFFFFF00000000ull, kId36, kKey32},
        {0xAAAAAAAAAAAAAAAAull, kId36, kKey32},
        // Every bit set: the key takes positions 0 to 63, the id only 64 to 67.
        {~0ull, "WXYZ", std::string(kId36) + "0123456789abcdefghijklmnopqr"},
        {0, std::string(kId36) + kKey32, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mask);
        std::string stored, error;
        ASSERT_TRUE(ScrambleCredentials({row.id, row.key}, row.mask, "f1l2", stored, error))
            << error;
        EXPECT_EQ(stored.size(), kStoredCredentialLength);
        EXPECT_EQ(stored.substr(1, 4), "f1l2");
        CredentialPair back = UnscrambleCredentials(stored, row.mask);
        EXPECT_EQ(back.secretId, row.id);
        EXPECT_EQ(back.secretKey, row.key);
    }
}

TEST(Credentials, APairTheStoredFormCannotHoldIsRefusedWithTheReason) {
    const struct {
        std::string id, key, filler;
        uint64_t mask;
        const char* reason;
    } rows[] = {
        {std::string(kId36).substr(1), kKey32, "abcd", 0xFFFFFFFF, "must add up to 68"},
        {kId36, std::string(kKey32) + "x", "abcd", 0xFFFFFFFF, "must add up to 68"},
        {std::string(kId36).replace(4, 1, "-"), kKey32, "abcd", 0xFFFFFFFF, "letters and digits"},
        {kId36, std::string(kKey32).replace(0, 1, "\xC3"), "abcd", 0xFFFFFFFF,
         "letters and digits"},
        {kId36, kKey32, "ab", 0xFFFFFFFF, "filler"},
        {kId36, kKey32, "abcd", 0xFFFF, "the mask sets 16 bits but the secret key has 32"},
    };
    for (const auto& row : rows) {
        std::string stored = "unchanged", error;
        EXPECT_FALSE(ScrambleCredentials({row.id, row.key}, row.mask, row.filler, stored, error));
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        EXPECT_EQ(stored, "unchanged");
    }
}

TEST(StorageSettings, LoadFillsTheAccountAndClientCreationSetsTheTransferDefaults) {
    IClient state;
    EXPECT_EQ(state.keyPrefix, "8.5");
    EXPECT_EQ(state.plannedDownloads, 0);
    EXPECT_EQ(state.progress.load(), 0);
    state.downloadDepend = true;
    state.finishedDownloads = 3;

    LoadStorageSettings(state);
    EXPECT_EQ(state.secretId, "AKIDsampleeJGSSuZoaI0pNbmzNeN6vtVu8J");
    EXPECT_EQ(state.secretKey, "samplefWJ7pq3wETQ4yWzSDWQwzSuL8t");
    EXPECT_EQ(state.region, "accelerate");
    EXPECT_EQ(state.bucket, "tallowind-1250000000");
    EXPECT_EQ(state.bucket.size(), 20u);
    EXPECT_FALSE(state.downloadDepend);
    EXPECT_EQ(state.plannedDownloads, 5);
    EXPECT_EQ(state.finishedDownloads, 0);

    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.SetDownloadThreads(3);
    settings.SetDownloadSliceSize(65536);
    settings.SetTransferProfile(objstore::TransferProfile::Fast);
    CreateStorageClient(state);
    ASSERT_NE(state.client, nullptr);
    EXPECT_EQ(settings.GetDownloadThreads(), 10u);
    EXPECT_EQ(settings.GetDownloadSliceSize(), 4194304u);
    // The sample brand names no transfer profile: the standard one.
    EXPECT_EQ(settings.GetTransferProfile(), objstore::TransferProfile::Standard);
    DestroyStorageClient(state);
    settings.ResetToDefaults();
}

}  // namespace
