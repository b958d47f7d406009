// The size and SHA-256 of a release object, as the signed summary records them and as the
// installer computes them from a downloaded file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace integrity {

struct ObjectDigest {
    uint64_t size = 0;
    std::string sha256;  // 64 lowercase hexadecimal digits

    bool operator==(const ObjectDigest& other) const {
        return size == other.size && sha256 == other.sha256;
    }
    bool operator!=(const ObjectDigest& other) const { return !(*this == other); }
};

// The digest of bytes in memory.
ObjectDigest DigestOfBytes(const std::string& bytes);

// The digest of a file (a path the C runtime opens), read in 1 MiB blocks; nothing when the file
// cannot be opened or read to its end.
std::optional<ObjectDigest> DigestOfFile(const std::string& path);

}  // namespace integrity
