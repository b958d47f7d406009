#include "util/bucket_host.h"

#include <array>

#include "util/build_config.h"

namespace objstore {
namespace {

// Regions whose host part carries no "cos." prefix.
constexpr std::array<const char*, 6> kBareRegions = {"cn-east",      "cn-north",   "cn-south",
                                                     "cn-southwest", "cn-south-2", "sg"};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string RegionPart(const std::string& region) {
    for (const char* bare : kBareRegions) {
        if (region == bare) return region;
    }
    if (region.compare(0, 4, "cos.") == 0) return region;
    return "cos." + region;
}

}  // namespace

std::string BucketHost(uint64_t appId, const std::string& region, const std::string& bucket,
                       bool useAlternateDomain) {
    const std::string suffix = "-" + std::to_string(appId);
    const std::string domain = useAlternateDomain ? build::kAlternateDomain : build::kDefaultDomain;
    const bool hasSuffix = appId == 0 || EndsWith(bucket, suffix);
    return (hasSuffix ? bucket : bucket + suffix) + "." + RegionPart(region) + domain;
}

}  // namespace objstore
