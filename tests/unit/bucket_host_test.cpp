// Endpoint host names of buckets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "util/bucket_host.h"
#include "util/build_config.h"

namespace objstore {
namespace {

const std::string kDefault = build::kDefaultDomain;
const std::string kAlternate = build::kAlternateDomain;

TEST(BucketHostTest, DomainSuffixesBeginWithADotAndDiffer) {
    ASSERT_FALSE(kDefault.empty());
    ASSERT_FALSE(kAlternate.empty());
    EXPECT_EQ(kDefault[0], '.');
    EXPECT_EQ(kAlternate[0], '.');
    EXPECT_NE(kDefault, kAlternate);
}

struct HostCase {
    uint64_t appId;
    const char* region;
    const char* bucket;
    const char* hostBeforeDomain;  // the default domain follows
};

TEST(BucketHostTest, BuildsBucketSuffixRegionPartAndDomain) {
    const HostCase cases[] = {
        // The plain example and its three equivalent spellings.
        {42, "ap-example", "pkgs", "pkgs-42.cos.ap-example"},
        {42, "ap-example", "pkgs-42", "pkgs-42.cos.ap-example"},
        {42, "cos.ap-example", "pkgs", "pkgs-42.cos.ap-example"},
        {42, "cos.ap-example", "pkgs-42", "pkgs-42.cos.ap-example"},
        // Regions used bare.
        {42, "sg", "pkgs", "pkgs-42.sg"},
        {42, "cn-east", "pkgs", "pkgs-42.cn-east"},
        {42, "cn-north", "pkgs", "pkgs-42.cn-north"},
        {42, "cn-south", "pkgs", "pkgs-42.cn-south"},
        {42, "cn-southwest", "pkgs", "pkgs-42.cn-southwest"},
        {42, "cn-south-2", "pkgs", "pkgs-42.cn-south-2"},
        // Everything else gets "cos.", compared exactly and case-sensitively.
        {42, "accelerate", "pkgs", "pkgs-42.cos.accelerate"},
        {42, "CN-EAST", "pkgs", "pkgs-42.cos.CN-EAST"},
        {42, "SG", "pkgs", "pkgs-42.cos.SG"},
        {42, "cn-east-1", "pkgs", "pkgs-42.cos.cn-east-1"},
        {42, "sgp", "pkgs", "pkgs-42.cos.sgp"},
        {42, "COS.ap-example", "pkgs", "pkgs-42.cos.COS.ap-example"},
        {42, "cos", "pkgs", "pkgs-42.cos.cos"},
        {42, "co", "pkgs", "pkgs-42.cos.co"},
        {42, "", "pkgs", "pkgs-42.cos."},
        // App id 0 never appends a suffix.
        {0, "ap-example", "pkgs", "pkgs.cos.ap-example"},
        {0, "ap-example", "pkgs-42", "pkgs-42.cos.ap-example"},
        {0, "ap-example", "pkgs-0", "pkgs-0.cos.ap-example"},
        // The suffix test compares the last characters exactly.
        {42, "ap-example", "pkgs-420", "pkgs-420-42.cos.ap-example"},
        {42, "ap-example", "pkgs-142", "pkgs-142-42.cos.ap-example"},
        {42, "ap-example", "pkgs42", "pkgs42-42.cos.ap-example"},
        {42, "ap-example", "-42", "-42.cos.ap-example"},
        {42, "ap-example", "42", "42-42.cos.ap-example"},
        {42, "ap-example", "", "-42.cos.ap-example"},
        {18446744073709551615u, "ap-example", "b", "b-18446744073709551615.cos.ap-example"},
    };
    for (const HostCase& c : cases) {
        EXPECT_EQ(BucketHost(c.appId, c.region, c.bucket, false), c.hostBeforeDomain + kDefault)
            << "app id " << c.appId << ", region '" << c.region << "', bucket '" << c.bucket << "'";
    }
}

TEST(BucketHostTest, AlternativeDomainReplacesOnlyTheDomain) {
    EXPECT_EQ(BucketHost(42, "ap-example", "pkgs", true), "pkgs-42.cos.ap-example" + kAlternate);
    EXPECT_EQ(BucketHost(42, "sg", "pkgs-42", true), "pkgs-42.sg" + kAlternate);
    EXPECT_EQ(BucketHost(0, "accelerate", "pkgs", true), "pkgs.cos.accelerate" + kAlternate);
}

}  // namespace
}  // namespace objstore
