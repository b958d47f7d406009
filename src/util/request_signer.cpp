#include "util/request_signer.h"

#include <Poco/DigestEngine.h>
#include <Poco/HMACEngine.h>
#include <Poco/SHA1Engine.h>

#include <algorithm>
#include <array>
#include <ctime>

#include "util/codec.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

using StringMap = std::map<std::string, std::string>;

constexpr std::array<const char*, 17> kSignedHeaderNames = {"cache-control",
                                                            "content-disposition",
                                                            "content-encoding",
                                                            "content-length",
                                                            "content-md5",
                                                            "content-type",
                                                            "expect",
                                                            "expires",
                                                            "host",
                                                            "if-match",
                                                            "if-modified-since",
                                                            "if-none-match",
                                                            "if-unmodified-since",
                                                            "origin",
                                                            "range",
                                                            "transfer-encoding",
                                                            "pic-operations"};

std::string ToLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

struct CanonicalMap {
    std::string keyList;
    std::string pairText;
};

CanonicalMap Canonicalise(const StringMap& source, bool encodeKeys) {
    StringMap canonical;
    for (const auto& [key, value] : source) {
        canonical[ToLower(encodeKeys ? UrlEncode(key) : key)] = UrlEncode(value);
    }
    CanonicalMap out;
    for (const auto& [key, value] : canonical) {
        if (!out.pairText.empty()) {
            out.keyList += ';';
            out.pairText += '&';
        }
        out.keyList += key;
        out.pairText += key + "=" + value;
    }
    return out;
}

}  // namespace

bool RequestSigner::IsSignedHeaderName(const std::string& name) {
    const std::string lower = ToLower(name);
    for (const char* known : kSignedHeaderNames) {
        if (lower == known) return true;
    }
    return name.compare(0, 5, "x-cos") == 0;
}

RequestSigner::Canonical RequestSigner::BuildCanonical(
    const std::string& method, const std::string& path, const StringMap& headers,
    const StringMap& params, const std::set<std::string>& unsignedHeaders) {
    StringMap signedHeaders;
    for (const auto& [name, value] : headers) {
        if (unsignedHeaders.count(name) == 0 && IsSignedHeaderName(name)) {
            signedHeaders.emplace(name, value);
        }
    }
    const CanonicalMap headerForm = Canonicalise(signedHeaders, false);
    const CanonicalMap paramForm = Canonicalise(params, true);

    Canonical out;
    out.headerList = headerForm.keyList;
    out.headerPairs = headerForm.pairText;
    out.paramList = paramForm.keyList;
    out.paramPairs = paramForm.pairText;
    out.formatText = ToLower(method) + "\n" + (path.empty() ? "/" : path) + "\n" +
                     paramForm.pairText + "\n" + headerForm.pairText + "\n";
    return out;
}

std::string RequestSigner::Sha1Hex(const std::string& data) {
    Poco::SHA1Engine engine;
    engine.update(data);
    return Poco::DigestEngine::digestToHex(engine.digest());
}

std::string RequestSigner::HmacSha1Hex(const std::string& key, const std::string& data) {
    Poco::HMACEngine<Poco::SHA1Engine> engine(key);
    engine.update(data);
    return Poco::DigestEngine::digestToHex(engine.digest());
}

std::string RequestSigner::SignForWindow(const std::string& secretId, const std::string& secretKey,
                                         const std::string& method, const std::string& path,
                                         const StringMap& headers, const StringMap& params,
                                         const std::set<std::string>& unsignedHeaders,
                                         uint64_t startTime, uint64_t endTime) {
    if (secretId.empty() || secretKey.empty()) return "";

    const std::string keyTime = std::to_string(startTime) + ";" + std::to_string(endTime);
    const Canonical canonical = BuildCanonical(method, path, headers, params, unsignedHeaders);
    const std::string textToSign = "sha1\n" + keyTime + "\n" + Sha1Hex(canonical.formatText) + "\n";
    const std::string signingKey = HmacSha1Hex(secretKey, keyTime);
    const std::string signature = HmacSha1Hex(signingKey, textToSign);

    return "q-sign-algorithm=sha1&q-ak=" + secretId + "&q-sign-time=" + keyTime +
           "&q-key-time=" + keyTime + "&q-header-list=" + canonical.headerList +
           "&q-url-param-list=" + canonical.paramList + "&q-signature=" + signature;
}

std::string RequestSigner::Sign(const std::string& secretId, const std::string& secretKey,
                                const std::string& method, const std::string& path,
                                const StringMap& headers, const StringMap& params,
                                const std::set<std::string>& unsignedHeaders) {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const uint64_t start = static_cast<uint64_t>(static_cast<int64_t>(std::time(nullptr)) +
                                                 settings.GetTimeOffsetSeconds());
    const uint64_t end = start + settings.GetSignExpirySeconds();
    return SignForWindow(secretId, secretKey, method, path, headers, params, unsignedHeaders, start,
                         end);
}

}  // namespace objstore
