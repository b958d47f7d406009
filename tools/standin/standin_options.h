// Command line of objstore-standin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fault_injector.h"

namespace standin {

struct StandinOptions {
    std::string root;   // folder served as the bucket
    uint16_t port = 0;  // 0: any free port
    std::string bucket;
    uint64_t appId = 0;
    std::string region;
    std::vector<std::string> domains;  // accepted domain suffixes; the build's default when none
    std::string secretId;
    std::string secretKey;
    bool checkAuth = true;
    bool checkHost = true;
    std::string requestLog;
    std::vector<FaultSpec> faults;
    uint64_t seed = 1;
    int maxThreads = 64;          // requests answered at once
    int idleTimeoutSeconds = 10;  // a connection waiting longer for a request is closed
    std::string tlsCertificate;   // PEM; with tlsKey the service speaks HTTPS only
    std::string tlsKey;
};

// Fills options from argv; on a usage error returns false with the reason.
bool ParseStandinOptions(int argc, char** argv, StandinOptions* options, std::string* error);

const char* StandinUsage();

}  // namespace standin
