// Prints the size and SHA-256 of a file the way the installer checks a downloaded package
// (integrity::DigestOfFile), for digest_bench.py to time against sha256sum.
#include <cinttypes>
#include <cstdio>

#include "workflow/integrity/object_digest.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: digest_driver FILE\n");
        return 2;
    }
    const std::optional<integrity::ObjectDigest> digest = integrity::DigestOfFile(argv[1]);
    if (!digest) {
        std::fprintf(stderr, "digest_driver: cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("%s  %" PRIu64 "\n", digest->sha256.c_str(), digest->size);
    return 0;
}
