// Verification of the Authorization value of a request against the configured
// credential pair, recomputing the signature from the request as received.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <Poco/Net/NameValueCollection.h>

namespace standin {

struct Credentials {
    std::string secretId;
    std::string secretKey;
};

// How far the service's clock may differ from the client's: a signing window is
// taken to begin this much earlier and to end this much later than it says.
constexpr uint64_t kClockSkewSeconds = 60;

struct AuthVerdict {
    bool ok = false;
    std::string code;  // service error code when not ok
    std::string message;
};

// method and path as received (path decoded, "/" + key); headers are the
// request's; params its decoded query parameters; nowMs the service's clock in
// milliseconds since 1970. The window "start;end" covers the seconds start to end,
// both whole, widened by kClockSkewSeconds on either side.
AuthVerdict VerifyAuthorization(const Credentials& credentials, const std::string& method,
                                const std::string& path,
                                const Poco::Net::NameValueCollection& headers,
                                const std::map<std::string, std::string>& params, uint64_t nowMs);

// The current time from the precise clock, in milliseconds since 1970. time()
// reads a clock that lags by up to a scheduler tick, so in the first
// milliseconds of a second it still names the one before.
uint64_t PreciseNowMs();

}  // namespace standin
