// Locations of the native server programs.
#pragma once

#include <string>

namespace objstore {
namespace test {

// Each is the environment variable's value when set (OBJSTORE_STANDIN,
// OBJSTORE_NGINX, OBJSTORE_SERVER_SPAWNER_BIN), else the path CMake recorded.
std::string StandinBinary();
std::string NginxBinary();
std::string SpawnerBinary();

}  // namespace test
}  // namespace objstore
