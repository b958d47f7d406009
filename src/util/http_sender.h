// Sends one signed request over a fresh HTTP or HTTPS connection, or over a
// connection kept alive from an earlier request (HttpConnection).
//
// A request is described by one HttpSendOptions record; the answer's status,
// headers, reason and error text come back in an HttpAnswer. The body of the
// answer goes to a stream, to a string, or to a ResponseSink that chooses what
// to keep once it has seen the status and headers (the slice download keeps
// only its slice and leaves the rest of an oversized answer unread).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

namespace objstore {

class HttpConnection;
class TransferHandler;

struct HttpSendOptions {
    std::shared_ptr<TransferHandler> handler;  // progress and cancel flag; may be empty
    std::string method;                        // "GET", "HEAD", ...
    std::string url;                           // full URL; a query in it is ignored
    std::map<std::string, std::string> params;
    std::map<std::string, std::string> headers;  // sent as they are, Authorization included
    uint64_t connectTimeoutMs = 5000;            // connecting and sending
    uint64_t receiveTimeoutMs = 5000;            // every receive after the request is sent
    bool checkBodyMd5 = false;                   // compare the body's MD5 with a plain ETag
    bool verifyCert = true;                      // HTTPS only
    std::string caLocation;                      // HTTPS only; "" for the platform's set
    // HTTPS only: trust exactly these certificates (PEM, one or more) instead of caLocation and
    // the platform's set; for a program that ships its CA bundle inside itself.
    std::string caPem;
    // The connection to send on and keep for the next request; nullptr opens a
    // new one that closes with the answer. A request without a body that fails
    // on a kept connection before any answer arrives (the server closed it in
    // the meantime) is sent once more on a new connection.
    HttpConnection* connection = nullptr;
};

struct HttpAnswer {
    int status = -1;                             // -1 when no usable answer arrived
    std::map<std::string, std::string> headers;  // names as received; "Etag" becomes "ETag"
    std::string reason;
    std::string errorText;  // why status is -1
};

// Where a response body goes once the status and headers are known.
class ResponseSink {
  public:
    virtual ~ResponseSink() = default;
    // The stream that receives the body; nullptr leaves the body unread.
    virtual std::ostream* Open(int status, const std::map<std::string, std::string>& headers) = 0;
    // True once the sink holds all it wants: the rest of the body is left unread
    // and a body shorter than announced is not a failure.
    virtual bool Satisfied() const { return false; }
    // True when the sink reports the progress of what it keeps itself; the body
    // copy then only checks the cancel flag.
    virtual bool CountsOwnProgress() const { return false; }
};

class HttpSender {
  public:
    // Longest time-out the socket layer takes (microseconds in a signed 32-bit value);
    // longer ones are clamped to it.
    static constexpr uint64_t kMaxTimeoutMs = 2147483;
    static constexpr size_t kCopyChunkSize = 8192;

    // Returns the HTTP status (also in answer->status), or -1 when no response
    // arrived, the transfer failed or was canceled, or the body check failed.
    static int SendRequest(const HttpSendOptions& options, std::istream& requestBody,
                           ResponseSink& responseBody, HttpAnswer* answer);
    static int SendRequest(const HttpSendOptions& options, std::istream& requestBody,
                           std::ostream& responseBody, HttpAnswer* answer);
    // Text form: the response body string receives everything collected, whatever
    // the result.
    static int SendRequest(const HttpSendOptions& options, const std::string& requestBody,
                           std::string* responseBody, HttpAnswer* answer);

    // The request target: the decoded URL path ("/" when empty) encoded again,
    // followed by the query text of params.
    static std::string BuildTarget(const std::string& decodedPath,
                                   const std::map<std::string, std::string>& params);
};

}  // namespace objstore
