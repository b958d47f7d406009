// ExtractPackage of one archive into one folder, for bench/extract_bench.py. Arguments are
// Windows paths (the layer maps Z:\ onto the host root). Exit code 0 when the package unpacked.
#include <atomic>
#include <cstdio>

#include "workflow/extract/extract_package.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s ZIP DESTINATION\n", argv[0]);
        return 2;
    }
    std::atomic<int32_t> progress{0};
    ExtractProgress target{5, &progress, nullptr};
    return ExtractPackage(argv[1], argv[2], target) ? 0 : 1;
}
