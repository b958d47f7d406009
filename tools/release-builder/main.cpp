// objstore-release-builder: writes the bucket folder of one release of the product.
#include <cstdio>
#include <string>
#include <vector>

#include "release_options.h"
#include "release_plan.h"
#include "release_writer.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitBadInput = 2;

void PrintWritten(const release_builder::ReleasePlan& plan) {
    std::printf("wrote %s:\n  %s/summary.ini\n", plan.outputFolder.c_str(),
                release_builder::kKeyPrefix);
    if (!plan.signingKey.empty()) {
        std::printf("  %s/summary.ini.sig (Ed25519 signature; sizes and SHA-256 in [digests])\n",
                    release_builder::kKeyPrefix);
    }
    for (const auto& package : plan.packages) {
        const size_t count = package.entries.size();
        std::printf("  %s (%zu %s)\n", package.objectKey.c_str(), count,
                    count == 1 ? "entry" : "entries");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const release_builder::ParseOutcome parsed = release_builder::ParseReleaseOptions(args);
    if (parsed.help) {
        std::fputs(release_builder::UsageText(), stdout);
        return kExitOk;
    }
    if (!parsed.ok) {
        std::fprintf(stderr, "objstore-release-builder: %s (see --help)\n", parsed.error.c_str());
        return kExitBadInput;
    }
    release_builder::ReleasePlan plan;
    const std::string problem = release_builder::PlanRelease(parsed.options, &plan);
    if (!problem.empty()) {
        std::fprintf(stderr, "objstore-release-builder: %s; nothing written\n", problem.c_str());
        return kExitBadInput;
    }
    std::string error;
    if (!release_builder::WriteRelease(plan, &error)) {
        std::fprintf(stderr, "objstore-release-builder: %s; nothing written\n", error.c_str());
        return kExitWriteFailed;
    }
    PrintWritten(plan);
    return kExitOk;
}
