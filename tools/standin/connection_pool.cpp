#include "connection_pool.h"

#include <sys/socket.h>

#include <Poco/Exception.h>
#include <Poco/Net/HTTPServerConnection.h>
#include <Poco/Net/StreamSocket.h>

namespace standin {

ConnectionPool::ConnectionPool(Poco::Net::ServerSocket& socket,
                               Poco::Net::HTTPRequestHandlerFactory::Ptr factory,
                               Poco::Net::HTTPServerParams::Ptr params, int threads)
    : m_socket(socket), m_factory(factory), m_params(params), m_threadCount(threads) {}

ConnectionPool::~ConnectionPool() {
    Stop();
}

void ConnectionPool::Start() {
    for (int i = 0; i < m_threadCount; ++i) m_threads.emplace_back([this] { Serve(); });
}

void ConnectionPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping && m_threads.empty()) return;
        m_stopping = true;
        // Wakes the threads blocked in accept, and breaks off the open connections.
        ::shutdown(m_socket.impl()->sockfd(), SHUT_RDWR);
        for (int fd : m_open) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& thread : m_threads) thread.join();
    m_threads.clear();
}

void ConnectionPool::Serve() {
    while (true) {
        Poco::Net::StreamSocket connection;
        try {
            connection = m_socket.acceptConnection();
        } catch (const Poco::Exception&) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) return;
            continue;  // a connection that failed before it was accepted
        }
        const int fd = connection.impl()->sockfd();
        try {
            // The head and the body go out in separate writes; without this the
            // body's last short segment can wait for the client's delayed ACK.
            connection.setNoDelay(true);
            // Bodies bypass Poco's session, so its time-out does not cover them.
            connection.setSendTimeout(Poco::Timespan(60, 0));
        } catch (const Poco::Exception&) {
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) return;
            m_open.insert(fd);
        }
        try {
            Poco::Net::HTTPServerConnection server(connection, m_params, m_factory);
            server.run();
        } catch (const Poco::Exception&) {
            // The peer went away or sent no HTTP; the connection is closed below.
        } catch (const std::exception&) {
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open.erase(m_open.find(fd));
        // The socket closes when the last StreamSocket handle goes, after this.
    }
}

}  // namespace standin
