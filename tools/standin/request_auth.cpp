#include "request_auth.h"

#include <chrono>
#include <limits>
#include <set>
#include <vector>

#include "util/request_signer.h"

namespace standin {
namespace {

AuthVerdict Deny(const std::string& code, const std::string& message) {
    return AuthVerdict{false, code, message};
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool ParseSeconds(const std::string& text, uint64_t* value) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::stoull(text);
    return true;
}

// "start;end" with start <= end.
bool ParseWindow(const std::string& text, uint64_t* start, uint64_t* end) {
    const std::vector<std::string> parts = Split(text, ';');
    return parts.size() == 2 && ParseSeconds(parts[0], start) && ParseSeconds(parts[1], end) &&
           *start <= *end;
}

// seconds * 1000 + extraMs, saturating at the largest value.
uint64_t ToMs(uint64_t seconds, uint64_t extraMs) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    if (seconds > (kMax - extraMs) / 1000) return kMax;
    return seconds * 1000 + extraMs;
}

bool IsLowerHex40(const std::string& text) {
    return text.size() == 40 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

AuthVerdict VerifyAuthorization(const Credentials& credentials, const std::string& method,
                                const std::string& path,
                                const Poco::Net::NameValueCollection& headers,
                                const std::map<std::string, std::string>& params, uint64_t nowMs) {
    if (!headers.has("Authorization")) {
        return Deny("AccessDenied", "Access Denied. The request carries no Authorization.");
    }
    const std::string authorization = headers.get("Authorization");

    static const std::set<std::string> kFields = {
        "q-sign-algorithm", "q-ak",       "q-sign-time", "q-key-time", "q-header-list",
        "q-url-param-list", "q-signature"};
    std::map<std::string, std::string> fields;
    for (const std::string& pair : Split(authorization, '&')) {
        const size_t eq = pair.find('=');
        const std::string name = pair.substr(0, eq);
        if (eq == std::string::npos || kFields.count(name) == 0 || fields.count(name) != 0) {
            return Deny("AuthorizationHeaderMalformed",
                        "The Authorization value is malformed near '" + pair + "'.");
        }
        fields[name] = pair.substr(eq + 1);
    }
    if (fields.size() != kFields.size()) {
        return Deny("AuthorizationHeaderMalformed", "The Authorization value lacks fields.");
    }
    if (fields["q-sign-algorithm"] != "sha1") {
        return Deny("AuthorizationHeaderMalformed", "The signature algorithm must be sha1.");
    }
    uint64_t signStart = 0, signEnd = 0, keyStart = 0, keyEnd = 0;
    if (!ParseWindow(fields["q-sign-time"], &signStart, &signEnd) ||
        !ParseWindow(fields["q-key-time"], &keyStart, &keyEnd)) {
        return Deny("AuthorizationHeaderMalformed", "The signing window is malformed.");
    }
    if (!IsLowerHex40(fields["q-signature"])) {
        return Deny("AuthorizationHeaderMalformed", "The signature is not 40 hexadecimal digits.");
    }
    if (fields["q-ak"] != credentials.secretId) {
        return Deny("InvalidAccessKeyId", "The access key id you provided does not exist.");
    }
    // Accepted while start - skew <= now < end + 1 s + skew, compared without
    // subtraction so nothing wraps.
    constexpr uint64_t kSkewMs = kClockSkewSeconds * 1000;
    const uint64_t nowPlusSkewMs =
        nowMs > std::numeric_limits<uint64_t>::max() - kSkewMs ? nowMs : nowMs + kSkewMs;
    if (nowPlusSkewMs < ToMs(signStart, 0) || nowPlusSkewMs < ToMs(keyStart, 0)) {
        return Deny("RequestTimeTooSkewed",
                    "The signing window begins after the service's current time.");
    }
    if (nowMs >= ToMs(signEnd, 1000 + kSkewMs) || nowMs >= ToMs(keyEnd, 1000 + kSkewMs)) {
        return Deny("AccessDenied", "Request has expired.");
    }

    // The listed headers must all be present; their values are taken as received.
    std::map<std::string, std::string> signedHeaders;
    const std::string& headerList = fields["q-header-list"];
    if (!headerList.empty()) {
        for (const std::string& name : Split(headerList, ';')) {
            if (!headers.has(name)) {
                return Deny("SignatureDoesNotMatch",
                            "The signed header '" + name + "' is missing from the request.");
            }
            signedHeaders[name] = headers.get(name);
        }
    }
    const objstore::RequestSigner::Canonical canonical =
        objstore::RequestSigner::BuildCanonical(method, path, signedHeaders, params, {});
    if (canonical.headerList != headerList) {
        return Deny("SignatureDoesNotMatch",
                    "The signed header list does not match the headers of the request.");
    }
    if (canonical.paramList != fields["q-url-param-list"]) {
        return Deny("SignatureDoesNotMatch",
                    "The signed parameter list does not match the query of the request.");
    }
    const std::string textToSign = "sha1\n" + fields["q-sign-time"] + "\n" +
                                   objstore::RequestSigner::Sha1Hex(canonical.formatText) + "\n";
    const std::string signingKey =
        objstore::RequestSigner::HmacSha1Hex(credentials.secretKey, fields["q-key-time"]);
    const std::string expected = objstore::RequestSigner::HmacSha1Hex(signingKey, textToSign);
    if (expected != fields["q-signature"]) {
        return Deny("SignatureDoesNotMatch",
                    "The request signature we calculated does not match the signature you "
                    "provided.");
    }
    return AuthVerdict{true, "", ""};
}

uint64_t PreciseNowMs() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace standin
