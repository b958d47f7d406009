// HTTPS for the stand-in: a TLS listener in front of the plain service. Each accepted connection
// gets its own thread that completes the TLS handshake, opens a plain connection to the inner
// loopback port and relays bytes both ways until either side ends. The plain service stays as it
// is (it writes bodies with sendfile, which TLS cannot use). Every thread looks at the stop flag
// at least every 200 ms and a silent peer times out, so Stop never waits long.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include <Poco/Net/Context.h>
#include <Poco/Net/SecureServerSocket.h>

namespace standin {

class TlsFront {
  public:
    // Listens on 127.0.0.1:port (0: a free one) with the certificate and key (PEM files);
    // throws a Poco exception when they cannot be loaded or the port is taken.
    TlsFront(uint16_t port, const std::string& certificateFile, const std::string& keyFile,
             uint16_t innerPort);
    ~TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    uint16_t Port() const;
    void Start();
    // Stops accepting, ends the relayed connections and waits for their threads.
    void Stop();

  private:
    struct Relay {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void Accept();
    // Joins the relays that have ended.
    void Reap();
    void RelayConnection(Poco::Net::StreamSocket client);

    Poco::Net::Context::Ptr m_context;
    Poco::Net::SecureServerSocket m_socket;
    const uint16_t m_innerPort;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::list<Relay> m_relays;  // the acceptor's own; Stop joins them after the acceptor
};

}  // namespace standin
