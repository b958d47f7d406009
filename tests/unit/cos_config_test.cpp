// Per-client configuration and the process-wide settings with their setter bounds.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "util/cos_config.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

using test::SettingsTest;

class GlobalSettingsTest : public SettingsTest {
  protected:
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
};

void ExpectDefaults(const CosGlobalSettings& s) {
    EXPECT_EQ(s.GetSignExpirySeconds(), 3600u);
    EXPECT_EQ(s.GetTimeOffsetSeconds(), 0);
    EXPECT_EQ(s.GetConnectTimeoutMs(), 5000u);
    EXPECT_EQ(s.GetReceiveTimeoutMs(), 5000u);
    EXPECT_EQ(s.GetAsyncPoolThreads(), 2u);
    EXPECT_EQ(s.GetDownloadThreads(), 10u);
    EXPECT_EQ(s.GetDownloadSliceSize(), 4194304u);
    EXPECT_EQ(s.GetDnsCacheSize(), 1000u);
    EXPECT_EQ(s.GetDnsCacheExpirySeconds(), 600u);
    EXPECT_FALSE(s.GetUseDnsCache());
    EXPECT_TRUE(s.GetObjectKeyCheck());
    EXPECT_EQ(s.GetCustomDomain(), "");
    EXPECT_FALSE(s.GetCustomDomainAsHost());
    EXPECT_EQ(s.GetForcedHost(), "");
    EXPECT_FALSE(s.GetUseForcedHost());
    EXPECT_FALSE(s.GetRetryOnAlternateDomain());
    EXPECT_EQ(s.GetLogLevel(), 4);
    EXPECT_EQ(s.GetLogOutput(), 1);
    EXPECT_FALSE(s.HasLogCallback());
    EXPECT_FALSE(static_cast<bool>(s.GetLogCallback()));
}

TEST_F(GlobalSettingsTest, ResetToDefaultsRestoresEveryValue) {
    settings.SetSignExpirySeconds(60);
    settings.SetTimeOffsetSeconds(-30);
    settings.SetConnectTimeoutMs(120000);
    settings.SetReceiveTimeoutMs(7);
    settings.SetAsyncPoolThreads(9);
    settings.SetDownloadThreads(3);
    settings.SetDownloadSliceSize(65536);
    settings.SetDnsCacheSize(5);
    settings.SetDnsCacheExpirySeconds(5);
    settings.SetUseDnsCache(true);
    settings.SetObjectKeyCheck(false);
    settings.SetCustomDomain("cdn.example");
    settings.SetCustomDomainAsHost(true);
    settings.SetForcedHost("forced.example");
    settings.SetUseForcedHost(true);
    settings.SetRetryOnAlternateDomain(true);
    settings.SetLogLevel(0);
    settings.SetLogOutput(2);
    settings.SetLogCallback([](const std::string&) {});
    EXPECT_TRUE(settings.HasLogCallback());

    settings.ResetToDefaults();
    ExpectDefaults(settings);
}

struct BoundCase {
    uint32_t given;
    uint32_t stored;
};

TEST_F(GlobalSettingsTest, DownloadSliceSizeIsClampedTo4096Through20971520) {
    const BoundCase cases[] = {
        {0, 4096},
        {100, 4096},
        {4095, 4096},
        {4096, 4096},
        {65536, 65536},
        {4194304, 4194304},
        {20971520, 20971520},
        {20971521, 20971520},
        {30000000, 20971520},
        {std::numeric_limits<uint32_t>::max(), 20971520},
    };
    for (const BoundCase& c : cases) {
        settings.SetDownloadSliceSize(c.given);
        EXPECT_EQ(settings.GetDownloadSliceSize(), c.stored) << "given " << c.given;
    }
}

TEST_F(GlobalSettingsTest, DownloadThreadsAreClampedTo1Through10) {
    const BoundCase cases[] = {{0, 1},
                               {1, 1},
                               {5, 5},
                               {10, 10},
                               {11, 10},
                               {64, 10},
                               {std::numeric_limits<uint32_t>::max(), 10}};
    for (const BoundCase& c : cases) {
        settings.SetDownloadThreads(c.given);
        EXPECT_EQ(settings.GetDownloadThreads(), c.stored) << "given " << c.given;
    }
}

TEST_F(GlobalSettingsTest, AsyncPoolThreadsTurnZeroIntoOneAndKeepTheRest) {
    const BoundCase cases[] = {
        {0, 1}, {1, 1}, {2, 2}, {64, 64}, {std::numeric_limits<uint32_t>::max(), 4294967295u}};
    for (const BoundCase& c : cases) {
        settings.SetAsyncPoolThreads(c.given);
        EXPECT_EQ(settings.GetAsyncPoolThreads(), c.stored) << "given " << c.given;
    }
}

TEST_F(GlobalSettingsTest, ConnectTimeoutIsStoredUnchanged) {
    for (uint64_t ms : {uint64_t{120000}, uint64_t{0}, std::numeric_limits<uint64_t>::max()}) {
        settings.SetConnectTimeoutMs(ms);
        EXPECT_EQ(settings.GetConnectTimeoutMs(), ms);
    }
}

// The strings live under their own locks; readers on other threads get whole values.
TEST_F(GlobalSettingsTest, StringsAreReadWholeWhileAnotherThreadWrites) {
    const std::string a = "a.example";
    const std::string b(200, 'b');
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            settings.SetCustomDomain(i % 2 ? a : b);
            settings.SetForcedHost(i % 2 ? b : a);
        }
        stop = true;
    });
    int bad = 0;
    for (int i = 0; i < 200 || !stop; ++i) {
        const std::string domain = settings.GetCustomDomain();
        const std::string forced = settings.GetForcedHost();
        if (domain != "" && domain != a && domain != b) ++bad;
        if (forced != "" && forced != a && forced != b) ++bad;
    }
    writer.join();
    EXPECT_EQ(bad, 0);
}

TEST(CosConfigTest, ConstructorSetsTheFourValuesAndDefaultsTheRest) {
    const CosConfig config(42, "AKIDexample", "secret", "ap-example");
    EXPECT_EQ(config.GetAppId(), 42u);
    EXPECT_EQ(config.GetSecretId(), "AKIDexample");
    EXPECT_EQ(config.GetSecretKey(), "secret");
    EXPECT_EQ(config.GetRegion(), "ap-example");
    EXPECT_EQ(config.GetSecurityToken(), "");
    EXPECT_FALSE(config.IsEndpointOverrideOn());
    EXPECT_FALSE(config.IsEndpointOverrideAllowed());
    EXPECT_EQ(config.GetEndpointOverride(), "");
    EXPECT_EQ(config.GetCustomDomain(), "");
    EXPECT_FALSE(config.IsCustomDomainAsHost());
    EXPECT_FALSE(config.IsCustomDomainAsHostSet());

    const CosConfig empty;
    EXPECT_EQ(empty.GetAppId(), 0u);
    EXPECT_EQ(empty.GetSecretId(), "");
    EXPECT_EQ(empty.GetRegion(), "");
}

CosConfig FullyFilledConfig() {
    CosConfig config(7, "id", "key", "region");
    config.SetSecurityToken("token");
    config.SetEndpointOverride(true, true, "override.example");
    config.SetCustomDomain("custom.example");
    config.SetCustomDomainAsHost(true);
    return config;
}

void ExpectFullyFilled(const CosConfig& c) {
    EXPECT_EQ(c.GetAppId(), 7u);
    EXPECT_EQ(c.GetSecretId(), "id");
    EXPECT_EQ(c.GetSecretKey(), "key");
    EXPECT_EQ(c.GetRegion(), "region");
    EXPECT_EQ(c.GetSecurityToken(), "token");
    EXPECT_TRUE(c.IsEndpointOverrideOn());
    EXPECT_TRUE(c.IsEndpointOverrideAllowed());
    EXPECT_EQ(c.GetEndpointOverride(), "override.example");
    EXPECT_EQ(c.GetCustomDomain(), "custom.example");
    EXPECT_TRUE(c.IsCustomDomainAsHost());
    EXPECT_TRUE(c.IsCustomDomainAsHostSet());
}

TEST(CosConfigTest, CopyIsFullAndIndependentOfTheOriginal) {
    CosConfig original = FullyFilledConfig();
    const CosConfig copied(original);
    CosConfig assigned;
    assigned = original;
    ExpectFullyFilled(copied);
    ExpectFullyFilled(assigned);

    original.SetAppId(8);
    original.SetCredentials("other-id", "other-key", "other-token");
    original.SetRegion("other-region");
    original.SetEndpointOverride(false, false, "");
    original.SetCustomDomain("");
    ExpectFullyFilled(copied);
    ExpectFullyFilled(assigned);

    // The copy's lock is its own: changing the copy's credentials works and
    // leaves the original alone.
    CosConfig again(copied);
    again.SetCredentials("x", "y");
    EXPECT_EQ(again.GetSecretId(), "x");
    EXPECT_EQ(again.GetSecurityToken(), "");
    EXPECT_EQ(copied.GetSecretId(), "id");

    const CosConfig& alias = assigned;
    assigned = alias;  // self-assignment keeps the values (and must not deadlock)
    ExpectFullyFilled(assigned);
}

TEST(CosConfigTest, IsValidNeedsSecretIdSecretKeyAndRegion) {
    struct Case {
        const char* id;
        const char* key;
        const char* region;
        const char* token;
        bool valid;
    };
    const Case cases[] = {
        {"id", "key", "region", "", true},     {"id", "key", "region", "token", true},
        {"", "key", "region", "token", false}, {"id", "", "region", "token", false},
        {"id", "key", "", "token", false},     {"", "", "", "", false},
    };
    for (const Case& c : cases) {
        CosConfig config(1, c.id, c.key, c.region);
        config.SetSecurityToken(c.token);
        EXPECT_EQ(config.IsValid(), c.valid)
            << "id '" << c.id << "' key '" << c.key << "' region '" << c.region << "'";
    }
}

// A writer swaps the credential pair while readers read single values and take
// copies; every value read belongs to one of the written sets.
TEST(CosConfigTest, CredentialsAreReadableWhileAnotherThreadWritesThem) {
    const std::string idA = "id-a", keyA = "key-a", tokenA = "token-a";
    const std::string idB(100, 'I'), keyB(100, 'K'), tokenB(100, 'T');
    CosConfig config(1, idA, keyA, "region");
    config.SetSecurityToken(tokenA);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 3000; ++i) {
            if (i % 2) {
                config.SetCredentials(idA, keyA, tokenA);
            } else {
                config.SetCredentials(idB, keyB, tokenB);
            }
        }
        stop = true;
    });
    std::atomic<int> bad{0};
    auto reader = [&] {
        for (int i = 0; i < 200 || !stop; ++i) {
            const std::string id = config.GetSecretId();
            const std::string key = config.GetSecretKey();
            const std::string token = config.GetSecurityToken();
            if (id != idA && id != idB) ++bad;
            if (key != keyA && key != keyB) ++bad;
            if (token != tokenA && token != tokenB) ++bad;
            const CosConfig copy(config);
            // A copy takes all three under one hold of the lock: a matching set.
            const bool setA = copy.GetSecretId() == idA && copy.GetSecretKey() == keyA &&
                              copy.GetSecurityToken() == tokenA;
            const bool setB = copy.GetSecretId() == idB && copy.GetSecretKey() == keyB &&
                              copy.GetSecurityToken() == tokenB;
            if (!setA && !setB) ++bad;
            if (!config.IsValid()) ++bad;
        }
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 2; ++i) readers.emplace_back(reader);
    writer.join();
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
}  // namespace objstore
