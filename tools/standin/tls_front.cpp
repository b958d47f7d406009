#include "tls_front.h"

#include <poll.h>

#include <memory>

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/SecureStreamSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Timespan.h>

namespace standin {
namespace {

constexpr int kBacklog = 256;
constexpr int kPollMs = 200;  // how often a relay looks at the stop flag
constexpr size_t kRelayBlock = 64 * 1024;
constexpr long kSilentPeerSeconds = 30;  // a handshake or record that does not come in time

Poco::Net::Context::Ptr ServerContext(const std::string& certificateFile,
                                      const std::string& keyFile) {
    Poco::Net::Context::Params params;
    params.privateKeyFile = keyFile;
    params.certificateFile = certificateFile;
    params.verificationMode = Poco::Net::Context::VERIFY_NONE;
    params.loadDefaultCAs = false;
    return new Poco::Net::Context(Poco::Net::Context::TLS_SERVER_USE, params);
}

// Copies what one side has to the other; false when the side ended or failed.
bool Pass(Poco::Net::StreamSocket& from, Poco::Net::StreamSocket& to, char* buffer) {
    const int got = from.receiveBytes(buffer, static_cast<int>(kRelayBlock));
    if (got <= 0) return false;
    return to.sendBytes(buffer, got) == got;
}

}  // namespace

TlsFront::TlsFront(uint16_t port, const std::string& certificateFile, const std::string& keyFile,
                   uint16_t innerPort)
    : m_context(ServerContext(certificateFile, keyFile)),
      m_socket(Poco::Net::SocketAddress("127.0.0.1", port), kBacklog, m_context),
      m_innerPort(innerPort) {}

TlsFront::~TlsFront() {
    Stop();
}

uint16_t TlsFront::Port() const {
    return m_socket.address().port();
}

void TlsFront::Start() {
    m_acceptor = std::thread([this] { Accept(); });
}

void TlsFront::Stop() {
    if (m_stopping.exchange(true)) return;
    if (m_acceptor.joinable()) m_acceptor.join();
    for (Relay& relay : m_relays) relay.thread.join();
    m_relays.clear();
    try {
        m_socket.close();
    } catch (const Poco::Exception&) {
    }
}

void TlsFront::Reap() {
    for (auto it = m_relays.begin(); it != m_relays.end();) {
        if (!it->done->load()) {
            ++it;
            continue;
        }
        it->thread.join();
        it = m_relays.erase(it);
    }
}

void TlsFront::Accept() {
    while (!m_stopping) {
        Reap();
        struct pollfd listening = {m_socket.impl()->sockfd(), POLLIN, 0};
        if (::poll(&listening, 1, kPollMs) <= 0) continue;
        try {
            // The handshake happens on the relay's thread, so a slow client holds only its own.
            Poco::Net::StreamSocket client = m_socket.acceptConnection();
            auto done = std::make_shared<std::atomic<bool>>(false);
            std::thread thread([this, client, done] {
                RelayConnection(client);
                done->store(true);
            });
            m_relays.push_back({std::move(thread), done});
        } catch (const Poco::Exception&) {
            // A connection that went before it was accepted.
        }
    }
}

void TlsFront::RelayConnection(Poco::Net::StreamSocket client) {
    std::unique_ptr<Poco::Net::SecureStreamSocket> secure;
    bool reset = false;
    try {
        client.setReceiveTimeout(Poco::Timespan(kSilentPeerSeconds, 0));
        secure = std::make_unique<Poco::Net::SecureStreamSocket>(client);
        secure->completeHandshake();
        Poco::Net::StreamSocket inner(Poco::Net::SocketAddress("127.0.0.1", m_innerPort));
        inner.setReceiveTimeout(Poco::Timespan(kSilentPeerSeconds, 0));
        std::string buffer(kRelayBlock, '\0');
        while (!m_stopping) {
            // Decrypted bytes OpenSSL already holds do not show on the descriptor.
            if (secure->available() > 0) {
                if (!Pass(*secure, inner, &buffer[0])) break;
                continue;
            }
            struct pollfd fds[2] = {{secure->impl()->sockfd(), POLLIN, 0},
                                    {inner.impl()->sockfd(), POLLIN, 0}};
            const int ready = ::poll(fds, 2, kPollMs);
            if (ready < 0) break;
            if (ready == 0) continue;
            if (fds[0].revents != 0 && !Pass(*secure, inner, &buffer[0])) break;
            if (fds[1].revents != 0 && !Pass(inner, *secure, &buffer[0])) break;
        }
        inner.close();
    } catch (const Poco::Net::ConnectionResetException&) {
        reset = true;  // the service broke the connection off (a fault): the client sees it too
    } catch (const Poco::Exception&) {
        // A failed handshake (a client that does not trust the certificate) or a silent peer.
    }
    if (!secure) return;
    // A side that ended cleanly ends the other cleanly (close_notify): a client reading the
    // end of its answer must not meet a reset.
    try {
        if (reset) secure->setLinger(true, 0);
        secure->close();
    } catch (const Poco::Exception&) {
    }
}

}  // namespace standin
