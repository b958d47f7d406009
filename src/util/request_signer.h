// The Authorization value of a storage request.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace objstore {

class RequestSigner {
  public:
    // Canonical texts of a signature, exposed so tests and the stand-in service
    // can check each step.
    struct Canonical {
        std::string headerList;  // signed header names, lower case, ";"-joined
        std::string headerPairs;
        std::string paramList;
        std::string paramPairs;
        std::string formatText;
    };

    // Signs for the window [now + TimeOffsetSeconds, that + SignExpirySeconds].
    // Returns "" when the secret id or secret key is empty.
    static std::string Sign(const std::string& secretId, const std::string& secretKey,
                            const std::string& method, const std::string& path,
                            const std::map<std::string, std::string>& headers,
                            const std::map<std::string, std::string>& params,
                            const std::set<std::string>& unsignedHeaders);

    static std::string SignForWindow(const std::string& secretId, const std::string& secretKey,
                                     const std::string& method, const std::string& path,
                                     const std::map<std::string, std::string>& headers,
                                     const std::map<std::string, std::string>& params,
                                     const std::set<std::string>& unsignedHeaders,
                                     uint64_t startTime, uint64_t endTime);

    static Canonical BuildCanonical(const std::string& method, const std::string& path,
                                    const std::map<std::string, std::string>& headers,
                                    const std::map<std::string, std::string>& params,
                                    const std::set<std::string>& unsignedHeaders);

    // True when the header takes part in the signature (unsigned set aside).
    static bool IsSignedHeaderName(const std::string& name);

    static std::string HmacSha1Hex(const std::string& key, const std::string& data);
    static std::string Sha1Hex(const std::string& data);
};

}  // namespace objstore
