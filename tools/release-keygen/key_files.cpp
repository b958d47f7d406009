#include "key_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "workflow/integrity/release_signature.h"

namespace release_keygen {
namespace {

// Creates the file (never replacing one) with the given mode and writes the text.
std::string WriteNewFile(const std::string& path, const std::string& text, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return "cannot create \"" + path + "\": " + std::strerror(errno);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != text.size() || !closed) {
        ::unlink(path.c_str());
        return "cannot write \"" + path + "\"";
    }
    return std::string();
}

}  // namespace

std::string WriteKeyPair(const std::string& privatePath, const std::string& publicPath) {
    if (privatePath == publicPath) return "the two keys need two files";
    integrity::KeyPairPem keys;
    std::string error;
    if (!integrity::GenerateKeyPair(&keys, &error)) return error;
    std::string problem = WriteNewFile(privatePath, keys.privateKey, 0600);
    if (!problem.empty()) return problem;
    problem = WriteNewFile(publicPath, keys.publicKey, 0644);
    if (!problem.empty()) ::unlink(privatePath.c_str());  // a pair or nothing
    return problem;
}

}  // namespace release_keygen
