// Sends one signed request over a fresh HTTP or HTTPS connection.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

namespace objstore {

class TransferHandler;

class HttpSender {
  public:
    // Longest time-out the socket layer takes (microseconds in a signed 32-bit value);
    // longer ones are clamped to it.
    static constexpr uint64_t kMaxTimeoutMs = 2147483;
    static constexpr size_t kCopyChunkSize = 8192;

    // Stream form. Returns the HTTP status, or -1 when no response arrived, the
    // transfer failed or the body check failed; errorText says why.
    static int SendRequest(const std::shared_ptr<TransferHandler>& handler,
                           const std::string& method, const std::string& url,
                           const std::map<std::string, std::string>& params,
                           const std::map<std::string, std::string>& headers,
                           std::istream& requestBody, uint64_t connectTimeoutMs,
                           uint64_t receiveTimeoutMs,
                           std::map<std::string, std::string>* responseHeaders,
                           std::ostream& responseBody, std::string* errorText,
                           bool checkBodyMd5 = false, bool verifyCert = true,
                           const std::string& caLocation = "");

    // Text form: the response body string receives everything collected, whatever
    // the result. Bytes are appended to the string in place, so a caller that
    // reserved its capacity gets no reallocation.
    static int SendRequest(const std::shared_ptr<TransferHandler>& handler,
                           const std::string& method, const std::string& url,
                           const std::map<std::string, std::string>& params,
                           const std::map<std::string, std::string>& headers,
                           const std::string& requestBody, uint64_t connectTimeoutMs,
                           uint64_t receiveTimeoutMs,
                           std::map<std::string, std::string>* responseHeaders,
                           std::string* responseBody, std::string* errorText,
                           bool checkBodyMd5 = false, bool verifyCert = true,
                           const std::string& caLocation = "");

    // The request target: the decoded URL path ("/" when empty) encoded again,
    // followed by the query text of params.
    static std::string BuildTarget(const std::string& decodedPath,
                                   const std::map<std::string, std::string>& params);
};

}  // namespace objstore
