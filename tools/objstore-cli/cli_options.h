// Command line of the storage command-line client, parsed into plain values.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace objstore_cli {

struct CliOptions {
    std::string command;                 // head, exists, get, sign
    std::vector<std::string> arguments;  // positional arguments after the command
    uint64_t appId = 0;
    std::string secretId;
    std::string secretKey;
    std::string region;
    std::string endpoint;  // host:port to connect to instead of the bucket host
    std::optional<uint32_t> threads;
    std::optional<uint32_t> sliceSize;
    // Transfer profile of get: kept-alive connections and a queue of slices
    // ("fast", the default), or the installer's default batches ("standard").
    bool fastProfile = true;
    int logLevel = 0;
    bool quiet = false;
    // sign only
    std::string method = "GET";
    std::string path = "/";
    std::map<std::string, std::string> headers;
    std::map<std::string, std::string> params;
    std::optional<uint64_t> start;
    std::optional<uint64_t> end;
};

struct ParseOutcome {
    bool ok = false;
    bool help = false;
    std::string error;  // set when !ok
    CliOptions options;
};

// Environment lookup, injectable for tests.
using EnvLookup = std::optional<std::string> (*)(const char* name);
std::optional<std::string> ProcessEnv(const char* name);

// Options override environment variables (OBJSTORE_APP_ID, OBJSTORE_SECRET_ID,
// OBJSTORE_SECRET_KEY, OBJSTORE_REGION, OBJSTORE_ENDPOINT).
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, EnvLookup env = ProcessEnv);

const char* UsageText();

}  // namespace objstore_cli
