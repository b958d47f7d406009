// The download tests that run against both transfer profiles take the profile
// as their parameter.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "util/cos_global_settings.h"

namespace objstore {
namespace test {

inline const TransferProfile kBothProfiles[] = {TransferProfile::Standard, TransferProfile::Fast};

inline std::string ProfileName(const ::testing::TestParamInfo<TransferProfile>& info) {
    return info.param == TransferProfile::Fast ? "Fast" : "Standard";
}

// A failed download in the fast profile may leave holes where slices were not
// written: every slice-sized block of the file holds the object's bytes at
// that place, or zeros (a hole), and the file is no longer than the object.
inline ::testing::AssertionResult OnlyObjectSlices(const std::string& written,
                                                   const std::string& object, size_t slice) {
    if (written.size() > object.size()) {
        return ::testing::AssertionFailure()
               << "file of " << written.size() << " bytes, object of " << object.size();
    }
    for (size_t at = 0; at < written.size(); at += slice) {
        const std::string block = written.substr(at, slice);
        if (block != object.substr(at, block.size()) &&
            block.find_first_not_of('\0') != std::string::npos) {
            return ::testing::AssertionFailure() << "bytes at " << at << " are not the object's";
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace test
}  // namespace objstore
