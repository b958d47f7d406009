#include "support/server_binaries.h"

#include <cstdlib>

#include "support/server_paths.h"

namespace objstore {
namespace test {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::string StandinBinary() {
    return FromEnvironment("OBJSTORE_STANDIN", build::kStandinBinary);
}

std::string NginxBinary() {
    return FromEnvironment("OBJSTORE_NGINX", build::kNginxBinary);
}

std::string SpawnerBinary() {
    return FromEnvironment("OBJSTORE_SERVER_SPAWNER_BIN", build::kSpawnerBinary);
}

}  // namespace test
}  // namespace objstore
