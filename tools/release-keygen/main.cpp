// objstore-release-keygen: makes a firm's Ed25519 release key pair.
#include <cstdio>
#include <string>

#include "key_files.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: objstore-release-keygen --private-key FILE --public-key FILE\n"
    "Makes a new Ed25519 key pair for signing a firm's releases.\n"
    "  --private-key FILE   PKCS#8 PEM, mode 0600: keep it where releases are built and give\n"
    "                       it to objstore-release-builder --signing-key; never put it into\n"
    "                       a brand folder or a repository\n"
    "  --public-key FILE    PEM: copy it into the brand folder as release_key.pub\n"
    "Existing files are never overwritten.\n"
    "Exit status: 0 written, 1 failed, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string privatePath, publicPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        const bool known = arg == "--private-key" || arg == "--public-key";
        if (!known || i + 1 >= argc || argv[i + 1][0] == '\0') {
            std::fprintf(stderr, "objstore-release-keygen: %s %s\n%s", arg.c_str(),
                         known ? "needs a file" : "is no option", kUsage);
            return kExitUsage;
        }
        (arg == "--private-key" ? privatePath : publicPath) = argv[++i];
    }
    if (privatePath.empty() || publicPath.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string problem = release_keygen::WriteKeyPair(privatePath, publicPath);
    if (!problem.empty()) {
        std::fprintf(stderr, "objstore-release-keygen: %s\n", problem.c_str());
        return kExitFailed;
    }
    std::printf("wrote %s (private, keep it safe) and %s (public, for the brand folder)\n",
                privatePath.c_str(), publicPath.c_str());
    return kExitOk;
}
