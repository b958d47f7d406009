// Signed headers for a request that is sent many times over a long while.
//
// A signature is valid for a window of SignExpirySeconds from the moment it is
// made. A download sends its slice requests for as long as the object takes,
// so each attempt asks for the headers anew and gets them signed again once
// half the window has passed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace objstore {

class RepeatedRequestSigner {
  public:
    using StringMap = std::map<std::string, std::string>;
    // Seconds since the epoch; replaceable so a test can move time on.
    using Clock = std::function<uint64_t()>;

    struct Request {
        std::string secretId;
        std::string secretKey;
        std::string method;
        std::string path;
        StringMap headers;  // Host and the security token already set
        StringMap params;
        std::set<std::string> unsignedHeaders;
    };

    explicit RepeatedRequestSigner(Request request, Clock clock = nullptr);

    // Signs at once; false when the credentials cannot sign (then Headers() is
    // of no use).
    bool SignNow();

    // The headers with a valid Authorization; thread-safe.
    StringMap Headers();

    // When the current signature was made (for tests and logs).
    uint64_t SignedAt() const;

  private:
    bool SignLocked(uint64_t now);

    const Request m_request;
    const Clock m_clock;
    mutable std::mutex m_lock;
    StringMap m_signed;
    uint64_t m_signedAt = 0;
};

}  // namespace objstore
