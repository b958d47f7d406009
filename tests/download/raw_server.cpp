#include "raw_server.h"

#include <Poco/Net/NetException.h>
#include <Poco/String.h>

#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <algorithm>
#include <cstdio>
#include <memory>

namespace objstore {
namespace test {
namespace {

#ifdef _WIN32
constexpr int kShutBoth = SD_BOTH;
#else
constexpr int kShutBoth = SHUT_RDWR;
#endif

// Reads up to the blank line that ends a request head; "" when the client left.
std::string ReadHead(Poco::Net::StreamSocket& socket) {
    std::string head;
    char byte = 0;
    while (head.size() < 65536) {
        if (socket.receiveBytes(&byte, 1) != 1) return "";
        head.push_back(byte);
        if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0) return head;
    }
    return "";
}

RawRequest ParseHead(const std::string& head) {
    RawRequest request;
    size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const size_t space1 = first.find(' ');
    const size_t space2 = first.find(' ', space1 + 1);
    request.method = first.substr(0, space1);
    request.target = first.substr(space1 + 1, space2 - space1 - 1);
    size_t pos = lineEnd + 2;
    while (pos < head.size()) {
        lineEnd = head.find("\r\n", pos);
        const std::string line = head.substr(pos, lineEnd - pos);
        pos = lineEnd + 2;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        Poco::trimInPlace(value);
        request.headers[Poco::toLower(line.substr(0, colon))] = value;
    }
    return request;
}

}  // namespace

std::string RawRequest::Header(const std::string& lowerName) const {
    auto found = headers.find(lowerName);
    return found == headers.end() ? std::string() : found->second;
}

bool ParseRange(const RawRequest& request, uint64_t* first, uint64_t* last) {
    unsigned long long a = 0, b = 0;
    if (std::sscanf(request.Header("range").c_str(), "bytes=%llu-%llu", &a, &b) != 2) return false;
    *first = a;
    *last = b;
    return true;
}

RawAnswer ObjectAnswer(const std::string& content, const RawRequest& request,
                       std::chrono::milliseconds pieceDelay) {
    const std::string length = "Content-Length: " + std::to_string(content.size());
    if (request.method == "HEAD") return RawAnswer{"HTTP/1.1 200 OK\r\n" + length, ""};
    uint64_t first = 0, last = 0;
    if (!ParseRange(request, &first, &last) || first >= content.size()) {
        return RawAnswer{"HTTP/1.1 200 OK\r\n" + length, content, pieceDelay};
    }
    last = std::min<uint64_t>(last, content.size() - 1);
    const std::string part = content.substr(first, last - first + 1);
    return RawAnswer{"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                         std::to_string(first) + "-" + std::to_string(last) + "/" +
                         std::to_string(content.size()) +
                         "\r\nContent-Length: " + std::to_string(part.size()),
                     part, pieceDelay};
}

RawServer::RawServer(Handler handler, int answersPerConnection)
    : m_handler(std::move(handler)),
      m_answersPerConnection(answersPerConnection),
      m_listener(Poco::Net::SocketAddress("127.0.0.1", 0)),
      m_acceptor([this] { AcceptLoop(); }) {}

RawServer::~RawServer() {
    m_stopping = true;
    m_acceptor.join();  // it looks at m_stopping at least every 50 ms
    m_listener.close();
    std::unique_lock<std::mutex> lock(m_lock);
    // Wakes connections blocked in a receive or send; each closes its own socket.
    for (const auto& [id, fd] : m_open) ::shutdown(fd, kShutBoth);
    m_allClosed.wait(lock, [this] { return m_open.empty(); });
}

std::string RawServer::Address() const {
    return "127.0.0.1:" + std::to_string(m_listener.address().port());
}

void RawServer::AcceptLoop() {
    while (!m_stopping) {
        try {
            if (!m_listener.poll(Poco::Timespan(0, 50000), Poco::Net::Socket::SELECT_READ))
                continue;
            // The connection's thread holds the only reference to its socket, made
            // before the thread starts: Poco counts references in code a thread
            // sanitizer cannot see.
            auto socket = std::make_unique<Poco::Net::StreamSocket>(m_listener.acceptConnection());
            std::lock_guard<std::mutex> guard(m_lock);
            const uint64_t id = m_nextId++;
            ++m_connections;
            m_open.emplace(id, socket->impl()->sockfd());
            std::thread([this, id, connection = std::move(socket)] {
                Serve(id, *connection);
            }).detach();
        } catch (const Poco::Exception&) {
            // The listener was closed: the loop ends.
        }
    }
}

// Answers requests until the connection's number of answers is reached or the
// client leaves; then closes the connection.
void RawServer::Serve(uint64_t id, Poco::Net::StreamSocket& socket) {
    try {
        // A small send buffer keeps what the kernel holds for a client that
        // stopped reading close to what the client actually received.
        socket.setSendBufferSize(65536);
        for (int answered = 0;
             !m_stopping && (m_answersPerConnection == 0 || answered < m_answersPerConnection);
             ++answered) {
            const std::string head = ReadHead(socket);
            if (head.empty()) break;
            ++m_requests;
            const RawAnswer answer = m_handler(ParseHead(head));
            if (!SendAnswer(socket, answer)) break;
            // An answer that announces the close ends the connection.
            if (Poco::toLower(answer.head).find("\r\nconnection: close") != std::string::npos)
                break;
        }
        socket.shutdownSend();
    } catch (const Poco::Exception&) {
        // The client went away (as a slice that has its bytes does).
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_open.erase(id);
    socket.close();
    if (m_open.empty()) m_allClosed.notify_all();
}

// False when the client stopped reading before the whole body was sent.
bool RawServer::SendAnswer(Poco::Net::StreamSocket& socket, const RawAnswer& answer) {
    const std::string wire = answer.head + "\r\n\r\n";
    socket.sendBytes(wire.data(), static_cast<int>(wire.size()));
    size_t sent = 0;
    while (sent < answer.body.size() && !m_stopping) {
        const size_t piece = std::min(answer.pieceSize, answer.body.size() - sent);
        const int n = socket.sendBytes(answer.body.data() + sent, static_cast<int>(piece));
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
        m_bodyBytesSent += static_cast<uint64_t>(n);
        if (answer.pieceDelay.count() > 0) std::this_thread::sleep_for(answer.pieceDelay);
    }
    return sent == answer.body.size();
}

}  // namespace test
}  // namespace objstore
