// A loopback HTTP server that writes its answers byte for byte, for the ways
// real servers, proxies and gateways misbehave: header names in any case, a
// head answer without a length, ranges ignored, an object replaced midway.
// It counts every body byte it managed to send, so a test can see the traffic,
// and the connections it accepted. By default every answer closes its
// connection, as a simple proxy does; it can also keep a connection for a
// number of answers, or for as long as the client likes; an answer that says
// "Connection: close" always ends its connection.
#pragma once

#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace objstore {
namespace test {

struct RawRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string Header(const std::string& lowerName) const;
};

// What to send: the head (status line and headers, without the blank line)
// and a body, sent in pieces until the client goes away.
struct RawAnswer {
    std::string head;
    std::string body;
    std::chrono::milliseconds pieceDelay{0};  // pause after each piece of the body
    size_t pieceSize = 16384;                 // a few bytes with pauses make a drip
};

class RawServer {
  public:
    using Handler = std::function<RawAnswer(const RawRequest&)>;

    // answersPerConnection: answers served on one connection before the server
    // closes it (without saying so in the answer); 0 for no limit.
    explicit RawServer(Handler handler, int answersPerConnection = 1);
    ~RawServer();

    std::string Address() const;
    int Requests() const { return m_requests; }
    int Connections() const { return m_connections; }
    // Body bytes the kernel accepted for sending, over all answers.
    uint64_t BodyBytesSent() const { return m_bodyBytesSent; }

  private:
    void AcceptLoop();
    void Serve(uint64_t id, Poco::Net::StreamSocket& socket);

    bool SendAnswer(Poco::Net::StreamSocket& socket, const RawAnswer& answer);

    Handler m_handler;
    const int m_answersPerConnection;
    Poco::Net::ServerSocket m_listener;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_connections{0};
    std::atomic<uint64_t> m_bodyBytesSent{0};
    std::mutex m_lock;
    std::condition_variable m_allClosed;
    uint64_t m_nextId = 0;
    std::map<uint64_t, poco_socket_t> m_open;  // descriptors of the connections being served
    std::thread m_acceptor;
};

// "bytes=a-b" of a request; false when absent or of another form.
bool ParseRange(const RawRequest& request, uint64_t* first, uint64_t* last);

// A well-behaved answer for the object: a head with its length, a 206 for a
// ranged GET, a 200 with the whole object otherwise.
RawAnswer ObjectAnswer(const std::string& content, const RawRequest& request,
                       std::chrono::milliseconds pieceDelay = std::chrono::milliseconds(0));

}  // namespace test
}  // namespace objstore
