// Requests to a running stand-in, signed with the project's signer and sent with
// Poco's client session, and the answers as plain values.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <Poco/Net/NameValueCollection.h>

#include "support/test_server.h"

namespace standin_test {

struct Request {
    std::string method = "GET";
    std::string key;        // object key; the path is "/" + key
    std::string rawTarget;  // sent as it stands instead of the encoded path when set
    std::map<std::string, std::string> headers;  // besides Host (which is always set)
    std::map<std::string, std::string> params;
    std::string host;  // Host value; the settings' bucket host when empty
    bool sign = true;
    std::string signedPath;    // path to sign; "/" + key when empty
    std::string signedMethod;  // method to sign; the method when empty
    std::string secretId;      // override the settings' pair when set
    std::string secretKey;
    int64_t windowStartOffset = -60;  // signing window relative to now, seconds
    int64_t windowEndOffset = 3600;
    std::set<std::string> unsignedHeaders;  // left out of the signature, still sent
    // Changes made after signing, as a tampering client or proxy would.
    std::map<std::string, std::string> headersAfterSigning;
    std::vector<std::string> dropAfterSigning;
    std::string queryAfterSigning;  // appended to the target ("?a=1" or "&a=1")
    std::string authorization;      // sent instead of the computed value when set
    std::string body;               // request body, sent with its Content-Length
};

struct Reply {
    bool answered = false;  // false: no response head arrived
    std::string transportError;
    int status = 0;
    Poco::Net::NameValueCollection headers;
    std::string body;
    bool bodyError = false;  // the connection failed while the body was read
};

// The signed Authorization value the request would carry.
std::string Authorization(const objstore::test::StandinSettings& settings, const Request& request);

Reply Send(uint16_t port, const objstore::test::StandinSettings& settings, const Request& request);

// One request on an open client session (keep-alive).
class Connection {
  public:
    Connection(uint16_t port, const objstore::test::StandinSettings& settings);
    ~Connection();
    Reply Send(const Request& request);

  private:
    struct Impl;
    Impl* m_impl;
};

// The Error element of an answer's body, read with the client's own parser.
struct ErrorFields {
    bool parsed = false;
    std::string code, message, resource, requestId, traceId;
};
ErrorFields ParseError(const Reply& reply);

// Lines of the request log, split at blanks.
std::vector<std::vector<std::string>> ReadRequestLog(const std::string& path);

std::string Md5Hex(const std::string& data);
// Deterministic pseudo-random bytes.
std::string PatternBytes(size_t size, unsigned seed);

}  // namespace standin_test
