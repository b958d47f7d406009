// What the stand-in reads from a request: the target (path and query), the
// Range header and the Authorization value with the signed headers.
//
// Input, split at line feeds: the method, the request target, the Range value,
// the Authorization value, then header lines "Name: value". The Range is
// resolved against objects of several sizes, and the Authorization checked as
// the service checks it, at a fixed time.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <Poco/Net/NameValueCollection.h>

#include "byte_range.h"
#include "object_target.h"
#include "request_auth.h"
#include "util/codec.h"

namespace {

// The seeds are signed with this pair for the window 1700000000;1700003600.
const standin::Credentials kCredentials{"AKIDfuzz", "fuzz-secret"};
constexpr uint64_t kNowMs = 1700000100ULL * 1000;

std::vector<std::string> Lines(const uint8_t* data, size_t size) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += static_cast<char>(data[i]);
        }
    }
    return lines;
}

void CheckTarget(const standin::ObjectTarget& target) {
    if (!target.valid) return;
    // A key the service accepts can only name a path below its folder.
    if (target.path.empty() || target.path[0] != '/') __builtin_trap();
    if (target.key != target.path.substr(1)) __builtin_trap();
    if (target.path.find('\0') != std::string::npos) __builtin_trap();
    if (target.path.find('\\') != std::string::npos) __builtin_trap();
    const std::string key = "/" + target.key + "/";
    if (!target.key.empty() &&
        (key.find("//") != std::string::npos || key.find("/./") != std::string::npos ||
         key.find("/../") != std::string::npos)) {
        __builtin_trap();
    }
    // The request log writes the path as the client encodes it.
    const std::string encoded = objstore::EncodePath(target.path);
    if (encoded.size() < target.path.size()) __builtin_trap();
}

void CheckRange(const std::string& header) {
    for (uint64_t size :
         {uint64_t{0}, uint64_t{1}, uint64_t{1000}, std::numeric_limits<uint64_t>::max()}) {
        const standin::RangeRequest range = standin::ResolveRange(header, size);
        if (range.kind != standin::RangeRequest::Kind::Partial) continue;
        if (range.first > range.last || range.last >= size) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines = Lines(data, size);
    lines.resize(std::max<size_t>(lines.size(), 4));
    const std::string& method = lines[0];
    const standin::ObjectTarget target = standin::ParseObjectTarget(lines[1]);
    CheckTarget(target);
    CheckRange(lines[2]);

    Poco::Net::NameValueCollection headers;
    if (!lines[2].empty()) headers.set("Range", lines[2]);
    if (!lines[3].empty()) headers.set("Authorization", lines[3]);
    for (size_t i = 4; i < lines.size(); ++i) {
        const size_t colon = lines[i].find(':');
        if (colon == std::string::npos) continue;
        const size_t value = lines[i].find_first_not_of(' ', colon + 1);
        headers.add(lines[i].substr(0, colon),
                    value == std::string::npos ? std::string() : lines[i].substr(value));
    }
    const standin::AuthVerdict verdict = standin::VerifyAuthorization(
        kCredentials, method, target.path, headers, target.params, kNowMs);
    if (verdict.ok != verdict.code.empty()) __builtin_trap();
    return 0;
}
