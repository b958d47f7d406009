// A release checked and laid out before anything is written.
#pragma once

#include <string>
#include <vector>

#include "folder_listing.h"
#include "release_options.h"

namespace release_builder {

// The object key prefix every object of a release lies below.
constexpr char kKeyPrefix[] = "8.5";

struct PackagePlan {
    std::string objectKey;  // e.g. "8.5/fix/fix-8.5.0.zip"
    std::vector<ArchiveEntry> entries;
};

struct ReleasePlan {
    std::string outputFolder;
    bool force = false;
    std::string summaryText;            // object kKeyPrefix + "/summary.ini", without digests
    std::string signingKey;             // Ed25519 private key PEM; "" for an unsigned release
    std::vector<PackagePlan> packages;  // in the order the installer fetches them
};

// Checks what the options name (package codes and names, the folders and
// every file in them, the output folder) and lays out the release. Returns ""
// with *plan filled, or the first problem found, worded for the publisher.
std::string PlanRelease(const ReleaseOptions& options, ReleasePlan* plan);

}  // namespace release_builder
