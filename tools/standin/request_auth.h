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

struct AuthVerdict {
    bool ok = false;
    std::string code;  // service error code when not ok
    std::string message;
};

// method and path as received (path decoded, "/" + key); headers are the
// request's; params its decoded query parameters; now in seconds since 1970.
AuthVerdict VerifyAuthorization(const Credentials& credentials, const std::string& method,
                                const std::string& path,
                                const Poco::Net::NameValueCollection& headers,
                                const std::map<std::string, std::string>& params, uint64_t now);

}  // namespace standin
