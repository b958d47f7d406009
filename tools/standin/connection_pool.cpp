#include "connection_pool.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include <Poco/Exception.h>
#include <Poco/Net/HTTPRequestHandler.h>
#include <Poco/Net/HTTPServerRequestImpl.h>
#include <Poco/Net/HTTPServerResponseImpl.h>
#include <Poco/Net/HTTPServerSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Net/StreamSocketImpl.h>
#include <Poco/Timestamp.h>

namespace standin {
namespace {

using Poco::Net::HTTPResponse;
using Poco::Net::HTTPServerSession;

// The session of one connection; it outlives the requests, so bytes a client
// sent ahead (a pipelined request) stay in its buffer between them.
class Session : public HTTPServerSession {
  public:
    using HTTPServerSession::HTTPServerSession;
    bool HasBuffered() const { return buffered() > 0; }
};

void SendErrorResponse(HTTPServerSession& session, HTTPResponse::HTTPStatus status) {
    Poco::Net::HTTPServerResponseImpl response(session);
    response.setVersion(Poco::Net::HTTPMessage::HTTP_1_1);
    response.setStatusAndReason(status);
    response.setKeepAlive(false);
    response.send();
    session.setKeepAlive(false);
}

// Most connections open at once: the descriptor limit, less a reserve for the
// files being served and the service's own.
size_t MaxOpenConnections(int threads) {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 4096;
    const size_t reserve = 64 + 2 * static_cast<size_t>(threads);
    const size_t available = static_cast<size_t>(limit.rlim_cur);
    return available > reserve + 16 ? available - reserve : 16;
}

}  // namespace

struct ConnectionPool::Connection {
    Connection(const Poco::Net::StreamSocket& socket, Poco::Net::HTTPServerParams::Ptr params)
        : fd(socket.impl()->sockfd()), session(socket, params) {}

    const int fd;
    Session session;
    Clock::time_point idleSince;
};

ConnectionPool::ConnectionPool(Poco::Net::ServerSocket& socket,
                               Poco::Net::HTTPRequestHandlerFactory::Ptr factory,
                               Poco::Net::HTTPServerParams::Ptr params, int threads,
                               std::chrono::milliseconds idleTimeout)
    : m_socket(socket),
      m_factory(factory),
      m_params(params),
      m_threadCount(threads),
      m_idleTimeout(idleTimeout),
      m_maxOpen(MaxOpenConnections(threads)) {
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wake < 0) throw std::runtime_error("cannot create the connection poller");
    struct epoll_event event {};
    event.events = EPOLLIN;
    event.data.fd = m_wake;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event) != 0) {
        throw std::runtime_error("cannot watch the poller's wake-up");
    }
}

ConnectionPool::~ConnectionPool() {
    Stop();
    ::close(m_wake);
    ::close(m_epoll);
}

void ConnectionPool::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_started) return;
    m_started = true;
    m_socket.setBlocking(false);
    for (int i = 0; i < m_threadCount; ++i) m_threads.emplace_back([this] { Serve(); });
    m_poller = std::thread([this] { Poll(); });
}

void ConnectionPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_started || m_stopping) return;
        m_stopping = true;
        // Breaks off the answers in progress.
        for (int fd : m_busy) ::shutdown(fd, SHUT_RDWR);
    }
    Wake();
    m_ready.notify_all();
    m_poller.join();
    for (std::thread& thread : m_threads) thread.join();
    m_threads.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_idle.clear();
    m_queue.clear();
}

void ConnectionPool::Wake() {
    const uint64_t one = 1;
    const ssize_t written = ::write(m_wake, &one, sizeof one);
    (void)written;  // the counter only fails to grow when it is already non-zero
}

void ConnectionPool::Poll() {
    const int listenFd = m_socket.impl()->sockfd();
    bool listening = false;
    Clock::time_point nextSweep = Clock::now() + m_idleTimeout;
    struct epoll_event events[64];
    while (true) {
        std::vector<std::unique_ptr<Connection>> expired;
        int waitMs = -1;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) return;
            // Past the limit of open connections, new ones wait in the listen queue.
            const bool accepting = m_openCount < m_maxOpen;
            if (accepting != listening) {
                struct epoll_event event {};
                event.events = EPOLLIN;
                event.data.fd = listenFd;
                ::epoll_ctl(m_epoll, accepting ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, listenFd, &event);
                listening = accepting;
            }
            // Connections park in order, so the first one left decides the next sweep.
            const Clock::time_point now = Clock::now();
            if (now >= nextSweep) {
                nextSweep = now + m_idleTimeout;
                for (auto it = m_idle.begin(); it != m_idle.end();) {
                    if (now - it->second->idleSince >= m_idleTimeout) {
                        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, it->first, nullptr);
                        expired.push_back(std::move(it->second));
                        it = m_idle.erase(it);
                    } else {
                        nextSweep = std::min(nextSweep, it->second->idleSince + m_idleTimeout);
                        ++it;
                    }
                }
                m_openCount -= expired.size();
                if (!expired.empty() && !listening) continue;  // room again: listen first
            }
            waitMs = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(nextSweep - now).count());
        }
        expired.clear();  // closes them, outside the lock

        const int count = ::epoll_wait(m_epoll, events, 64, waitMs);
        for (int i = 0; i < count; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_wake) {
                uint64_t value = 0;
                const ssize_t got = ::read(m_wake, &value, sizeof value);
                (void)got;
            } else if (fd == listenFd) {
                Accept();
            } else {
                // A request (or the end of the connection) arrived on an idle one.
                std::lock_guard<std::mutex> lock(m_mutex);
                auto it = m_idle.find(fd);
                if (it == m_idle.end()) continue;
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
                m_queue.push_back(std::move(it->second));
                m_idle.erase(it);
                m_ready.notify_one();
            }
        }
    }
}

void ConnectionPool::Accept() {
    const int listenFd = m_socket.impl()->sockfd();
    while (true) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping || m_openCount >= m_maxOpen) return;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: accept again once a connection has closed.
                std::lock_guard<std::mutex> lock(m_mutex);
                m_maxOpen = std::max<size_t>(m_openCount, 1);
            }
            return;  // EAGAIN: the queue is empty
        }
        std::unique_ptr<Connection> connection;
        try {
            Poco::Net::StreamSocket socket(new Poco::Net::StreamSocketImpl(fd));
            // The head and the body go out in separate writes; without this the
            // body's last short segment can wait for the client's delayed ACK.
            socket.setNoDelay(true);
            // Bodies bypass Poco's session, so its time-out does not cover them.
            socket.setSendTimeout(Poco::Timespan(60, 0));
            connection = std::make_unique<Connection>(socket, m_params);
        } catch (const Poco::Exception&) {
            continue;  // the socket closes with its last handle
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_openCount;
        }
        Park(std::move(connection));
    }
}

void ConnectionPool::Park(std::unique_ptr<Connection> connection) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) {
        --m_openCount;
        return;
    }
    connection->idleSince = Clock::now();
    struct epoll_event event {};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = connection->fd;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, connection->fd, &event) != 0) {
        --m_openCount;
        return;
    }
    m_idle.emplace(connection->fd, std::move(connection));
}

void ConnectionPool::Closed(std::unique_ptr<Connection> connection) {
    connection.reset();
    bool wasFull = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wasFull = m_openCount >= m_maxOpen;
        --m_openCount;
    }
    if (wasFull) Wake();
}

void ConnectionPool::Serve() {
    while (true) {
        std::unique_ptr<Connection> connection;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping) return;
            connection = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy.insert(connection->fd);
        }
        bool keep = false;
        try {
            keep = ServeRequests(*connection);
        } catch (const Poco::Exception&) {
            // The peer went away or sent no HTTP; the connection is closed below.
        } catch (const std::exception&) {
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy.erase(m_busy.find(connection->fd));
            if (m_stopping) keep = false;
        }
        if (keep) {
            Park(std::move(connection));
        } else {
            Closed(std::move(connection));
        }
    }
}

bool ConnectionPool::ServeRequests(Connection& connection) {
    do {
        if (!ServeOneRequest(connection)) return false;
    } while (connection.session.HasBuffered());
    return true;
}

// One request, answered as Poco's HTTPServerConnection answers each of its own.
bool ConnectionPool::ServeOneRequest(Connection& connection) {
    Session& session = connection.session;
    // Returns at once: the connection is readable, or holds buffered bytes.
    if (!session.hasMoreRequests()) return false;
    try {
        Poco::Net::HTTPServerResponseImpl response(session);
        Poco::Net::HTTPServerRequestImpl request(response, session, m_params);
        response.setDate(Poco::Timestamp());
        response.setVersion(request.getVersion());
        response.setKeepAlive(m_params->getKeepAlive() && request.getKeepAlive() &&
                              session.canKeepAlive());
        const std::string& server = m_params->getSoftwareVersion();
        if (!server.empty()) response.set("Server", server);
        std::unique_ptr<Poco::Net::HTTPRequestHandler> handler(
            m_factory->createRequestHandler(request));
        if (!handler) {
            SendErrorResponse(session, HTTPResponse::HTTP_NOT_IMPLEMENTED);
            return false;
        }
        if (request.getExpectContinue() && response.getStatus() == HTTPResponse::HTTP_OK) {
            response.sendContinue();
        }
        try {
            handler->handleRequest(request, response);
        } catch (const Poco::Exception&) {
            if (!response.sent())
                SendErrorResponse(session, HTTPResponse::HTTP_INTERNAL_SERVER_ERROR);
            return false;
        }
        session.setKeepAlive(m_params->getKeepAlive() && response.getKeepAlive() &&
                             session.canKeepAlive());
    } catch (const Poco::Net::NoMessageException&) {
        return false;  // the client closed the connection
    } catch (const Poco::Net::MessageException&) {
        SendErrorResponse(session, HTTPResponse::HTTP_BAD_REQUEST);
        return false;
    }
    // A handler that reset the connection has taken its socket away.
    return session.getKeepAlive() && session.socket().impl()->initialized();
}

}  // namespace standin
