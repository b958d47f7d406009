// Serves HTTP connections on a listening socket with a fixed set of threads,
// each accepting and then serving its own connection with Poco's
// HTTPServerConnection. Poco's TCPServer hands every connection from an acceptor
// thread to a worker through a queue; with the download's one connection per
// 64 KiB slice that hand-over cost the service about 12% more CPU and 7% of the
// client's throughput on two cores.
#pragma once

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
    // threads: the most connections served at once; further ones wait in the
    // listen queue.
    ConnectionPool(Poco::Net::ServerSocket& socket,
                   Poco::Net::HTTPRequestHandlerFactory::Ptr factory,
                   Poco::Net::HTTPServerParams::Ptr params, int threads);
    ~ConnectionPool();

    void Start();
    // Stops accepting, ends the open connections and waits for the threads.
    void Stop();

  private:
    void Serve();

    Poco::Net::ServerSocket& m_socket;
    Poco::Net::HTTPRequestHandlerFactory::Ptr m_factory;
    Poco::Net::HTTPServerParams::Ptr m_params;
    int m_threadCount;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    bool m_stopping = false;
    // Descriptors of the connections being served; a handler that closes its
    // connection early lets the number be reused while it is still listed.
    std::multiset<int> m_open;
};

}  // namespace standin
