// The endpoint host name of a bucket.
#pragma once

#include <cstdint>
#include <string>

namespace objstore {

// Host name (no scheme, no path) for the bucket in the region of account appId;
// on the alternative domain when useAlternateDomain is set.
std::string BucketHost(uint64_t appId, const std::string& region, const std::string& bucket,
                       bool useAlternateDomain);

}  // namespace objstore
