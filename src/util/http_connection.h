// A connection kept alive from one request to the next, for one thread.
//
// HttpSender uses it when a request names one (HttpSendOptions::connection):
// the request goes over the kept session when it leads to the same scheme, host
// and port and has not been idle too long; otherwise a new one is opened. After
// the answer the sender either keeps the session (the body was read to its end
// and the server did not ask to close) or drops it, so the next request starts
// on a clean connection. Not shared between threads.
#pragma once

#include <Poco/Net/HTTPClientSession.h>
#include <Poco/URI.h>

#include <chrono>

#include <cstdint>
#include <memory>
#include <string>

namespace objstore {

class HttpConnection {
  public:
    // A kept connection idle for longer is not used again: servers close idle
    // connections after a while, and a request sent on one they are closing fails.
    static constexpr int kIdleSeconds = 8;

    HttpConnection() = default;
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // A session to the URL's server: the kept one when it fits (*reused is then
    // true), else a new one that is not yet connected. Until Keep is called the
    // session counts as spent.
    Poco::Net::HTTPClientSession& Acquire(const Poco::URI& uri, bool verifyCert,
                                          const std::string& caLocation, const std::string& caPem,
                                          bool* reused);
    // The answer was read to its end and the server keeps the connection open:
    // the next request may use it.
    void Keep();
    // Closes the session; the next request opens a new one.
    void Drop();

    // Sessions opened so far (the first one included).
    unsigned Opened() const { return m_opened; }

    // A session for one request to the URL's server: HTTPS when the scheme is
    // "https" (any case), with the certificate check asked for, trusting the
    // certificates of caPem (PEM text) when it is not empty, else those of
    // caLocation, else the platform's set.
    static std::unique_ptr<Poco::Net::HTTPClientSession> OpenSession(const Poco::URI& uri,
                                                                     bool verifyCert,
                                                                     const std::string& caLocation,
                                                                     const std::string& caPem);

  private:
    std::unique_ptr<Poco::Net::HTTPClientSession> m_session;
    std::string m_key;  // scheme, host, port and certificate settings of m_session
    bool m_kept = false;
    std::chrono::steady_clock::time_point m_keptSince;
    unsigned m_opened = 0;
};

}  // namespace objstore
