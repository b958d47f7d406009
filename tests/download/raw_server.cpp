#include "raw_server.h"

#include <Poco/Net/NetException.h>
#include <Poco/String.h>

#include <cstdio>

namespace objstore {
namespace test {
namespace {

constexpr size_t kSendPiece = 16384;

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

RawServer::RawServer(Handler handler)
    : m_handler(std::move(handler)),
      m_listener(Poco::Net::SocketAddress("127.0.0.1", 0)),
      m_acceptor([this] { AcceptLoop(); }) {}

RawServer::~RawServer() {
    m_stopping = true;
    m_listener.close();
    m_acceptor.join();
    std::unique_lock<std::mutex> lock(m_lock);
    for (auto& [id, socket] : m_open) {
        try {
            socket.shutdown();
        } catch (const Poco::Exception&) {
        }
    }
    m_allClosed.wait(lock, [this] { return m_open.empty(); });
}

std::string RawServer::Address() const {
    return "127.0.0.1:" + std::to_string(m_listener.address().port());
}

void RawServer::AcceptLoop() {
    while (!m_stopping) {
        try {
            Poco::Net::StreamSocket socket;
            if (!m_listener.poll(Poco::Timespan(0, 50000), Poco::Net::Socket::SELECT_READ))
                continue;
            socket = m_listener.acceptConnection();
            std::lock_guard<std::mutex> guard(m_lock);
            const uint64_t id = m_nextId++;
            m_open.emplace(id, socket);
            std::thread([this, id, socket] { Serve(id, socket); }).detach();
        } catch (const Poco::Exception&) {
            // The listener was closed: the loop ends.
        }
    }
}

// One request per connection: every answer closes it, as a simple proxy does.
void RawServer::Serve(uint64_t id, Poco::Net::StreamSocket socket) {
    try {
        // A small send buffer keeps what the kernel holds for a client that
        // stopped reading close to what the client actually received.
        socket.setSendBufferSize(65536);
        const std::string head = ReadHead(socket);
        if (head.empty()) return;
        ++m_requests;
        const RawAnswer answer = m_handler(ParseHead(head));
        const std::string wire = answer.head + "\r\n\r\n";
        socket.sendBytes(wire.data(), static_cast<int>(wire.size()));
        for (size_t sent = 0; sent < answer.body.size() && !m_stopping;) {
            const size_t piece = std::min(kSendPiece, answer.body.size() - sent);
            const int n = socket.sendBytes(answer.body.data() + sent, static_cast<int>(piece));
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
            m_bodyBytesSent += static_cast<uint64_t>(n);
            if (answer.pieceDelay.count() > 0) std::this_thread::sleep_for(answer.pieceDelay);
        }
        socket.shutdownSend();
    } catch (const Poco::Exception&) {
        // The client went away (as a slice that has its bytes does).
    }
    socket.close();
    std::lock_guard<std::mutex> guard(m_lock);
    m_open.erase(id);
    if (m_open.empty()) m_allClosed.notify_all();
}

}  // namespace test
}  // namespace objstore
