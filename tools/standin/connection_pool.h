// Serves HTTP connections on a listening socket with a fixed set of threads.
// A connection holds a thread only while one of its requests is answered: one
// poller thread accepts connections and watches the idle ones (new, or kept
// alive between requests), and hands a connection to a serving thread once a
// request arrives on it. Connections idle longer than the idle time-out are
// closed. The serving threads answer with Poco's HTTP server session and request
// objects, one request at a time, as Poco's HTTPServerConnection does; Poco's
// TCPServer would hold a thread for every open connection.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>  // std::multiset
#include <thread>
#include <vector>

#include <Poco/Net/HTTPRequestHandlerFactory.h>
#include <Poco/Net/HTTPServerParams.h>
#include <Poco/Net/ServerSocket.h>

namespace standin {

class ConnectionPool {
  public:
    // threads: the most requests answered at once; idleTimeout: how long an open
    // connection may wait for its next (or first) request.
    ConnectionPool(Poco::Net::ServerSocket& socket,
                   Poco::Net::HTTPRequestHandlerFactory::Ptr factory,
                   Poco::Net::HTTPServerParams::Ptr params, int threads,
                   std::chrono::milliseconds idleTimeout);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    void Start();
    // Stops accepting, ends the open connections and waits for the threads.
    void Stop();

  private:
    struct Connection;
    using Clock = std::chrono::steady_clock;

    void Poll();
    void Serve();
    void Accept();
    // Answers the requests that have arrived on the connection; false when the
    // connection is to be closed.
    bool ServeRequests(Connection& connection);
    bool ServeOneRequest(Connection& connection);
    // Hands a connection back to the poller to wait for its next request.
    void Park(std::unique_ptr<Connection> connection);
    // Counts a connection closed, and lets the poller accept again if it had stopped.
    void Closed(std::unique_ptr<Connection> connection);
    void Wake();

    Poco::Net::ServerSocket& m_socket;
    Poco::Net::HTTPRequestHandlerFactory::Ptr m_factory;
    Poco::Net::HTTPServerParams::Ptr m_params;
    const int m_threadCount;
    const std::chrono::milliseconds m_idleTimeout;
    // Open connections beyond this wait in the listen queue (descriptors are finite).
    size_t m_maxOpen;
    int m_epoll = -1;
    int m_wake = -1;  // eventfd that interrupts the poller's wait
    std::thread m_poller;
    std::vector<std::thread> m_threads;

    std::mutex m_mutex;
    std::condition_variable m_ready;
    bool m_started = false;
    bool m_stopping = false;
    size_t m_openCount = 0;
    // Connections waiting for a request, by descriptor, with the time they went idle.
    std::map<int, std::unique_ptr<Connection>> m_idle;
    // Connections with a request waiting for a serving thread.
    std::deque<std::unique_ptr<Connection>> m_queue;
    // Descriptors of the connections being served; a handler that closes its
    // connection early lets the number be reused while it is still listed.
    std::multiset<int> m_busy;
};

}  // namespace standin
