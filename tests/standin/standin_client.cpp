#include "standin_client.h"

#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include <Poco/DigestEngine.h>
#include <Poco/Exception.h>
#include <Poco/MD5Engine.h>
#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/StreamCopier.h>

#include "op/cos_result.h"
#include "util/codec.h"
#include "util/request_signer.h"

namespace standin_test {
namespace {

std::string Target(const Request& request) {
    if (!request.rawTarget.empty()) return request.rawTarget;
    std::string target = objstore::EncodePath("/" + request.key);
    std::string query;
    for (const auto& [name, value] : request.params) {
        query += (query.empty() ? "?" : "&") + objstore::UrlEncode(name);
        if (!value.empty()) query += "=" + objstore::UrlEncode(value);
    }
    return target + query;
}

std::map<std::string, std::string> HeadersWithHost(const objstore::test::StandinSettings& settings,
                                                   const Request& request) {
    std::map<std::string, std::string> headers = request.headers;
    headers["Host"] = request.host.empty() ? settings.BucketHost() : request.host;
    return headers;
}

Reply Exchange(Poco::Net::HTTPClientSession& session,
               const objstore::test::StandinSettings& settings, const Request& request) {
    Reply reply;
    Poco::Net::HTTPRequest http(request.method, Target(request) + request.queryAfterSigning,
                                Poco::Net::HTTPMessage::HTTP_1_1);
    for (const auto& [name, value] : HeadersWithHost(settings, request)) http.set(name, value);
    if (!request.authorization.empty()) {
        http.set("Authorization", request.authorization);
    } else if (request.sign) {
        http.set("Authorization", Authorization(settings, request));
    }
    for (const auto& [name, value] : request.headersAfterSigning) http.set(name, value);
    for (const std::string& name : request.dropAfterSigning) http.erase(name);
    http.setKeepAlive(true);
    try {
        if (!request.body.empty()) {
            http.setContentLength(static_cast<std::streamsize>(request.body.size()));
        }
        session.sendRequest(http) << request.body;
        Poco::Net::HTTPResponse response;
        std::istream& body = session.receiveResponse(response);
        reply.answered = true;
        reply.status = static_cast<int>(response.getStatus());
        for (const auto& [name, value] : response) reply.headers.add(name, value);
        try {
            Poco::StreamCopier::copyToString(body, reply.body);
        } catch (const Poco::Exception&) {
            reply.bodyError = true;
        }
    } catch (const Poco::Exception& e) {
        reply.transportError = e.displayText();
        session.reset();
    }
    return reply;
}

}  // namespace

std::string Authorization(const objstore::test::StandinSettings& settings, const Request& request) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    return objstore::RequestSigner::SignForWindow(
        request.secretId.empty() ? settings.secretId : request.secretId,
        request.secretKey.empty() ? settings.secretKey : request.secretKey,
        request.signedMethod.empty() ? request.method : request.signedMethod,
        request.signedPath.empty() ? "/" + request.key : request.signedPath,
        HeadersWithHost(settings, request), request.params, request.unsignedHeaders,
        static_cast<uint64_t>(now + request.windowStartOffset),
        static_cast<uint64_t>(now + request.windowEndOffset));
}

Reply Send(uint16_t port, const objstore::test::StandinSettings& settings, const Request& request) {
    Connection connection(port, settings);
    return connection.Send(request);
}

struct Connection::Impl {
    Impl(uint16_t port, const objstore::test::StandinSettings& s)
        : session("127.0.0.1", port), settings(s) {
        session.setTimeout(Poco::Timespan(30, 0));
        session.setKeepAlive(true);
    }
    Poco::Net::HTTPClientSession session;
    objstore::test::StandinSettings settings;
};

Connection::Connection(uint16_t port, const objstore::test::StandinSettings& settings)
    : m_impl(new Impl(port, settings)) {}

Connection::~Connection() {
    delete m_impl;
}

Reply Connection::Send(const Request& request) {
    return Exchange(m_impl->session, m_impl->settings, request);
}

std::vector<std::vector<std::string>> ReadRequestLog(const std::string& path) {
    std::vector<std::vector<std::string>> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) fields.push_back(word);
        lines.push_back(fields);
    }
    return lines;
}

std::string Md5Hex(const std::string& data) {
    Poco::MD5Engine engine;
    engine.update(data);
    return Poco::DigestEngine::digestToHex(engine.digest());
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

ErrorFields ParseError(const Reply& reply) {
    // Without the headers, so the ids come from the body alone.
    objstore::CosResult result;
    ErrorFields fields;
    fields.parsed = result.ParseFromHttpResponse({}, reply.body);
    fields.code = result.GetErrorCode();
    fields.message = result.GetErrorMsg();
    fields.resource = result.GetResourceAddr();
    fields.requestId = result.GetXCosRequestId();
    fields.traceId = result.GetXCosTraceId();
    return fields;
}

}  // namespace standin_test
