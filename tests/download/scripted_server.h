// An in-process HTTP server on a free loopback port whose answers a test scripts.
#pragma once

#include <Poco/Net/HTTPRequestHandler.h>
#include <Poco/Net/HTTPServer.h>
#include <Poco/Net/HTTPServerRequest.h>
#include <Poco/Net/HTTPServerResponse.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace objstore {
namespace test {

class ScriptedServer {
  public:
    using Handler =
        std::function<void(Poco::Net::HTTPServerRequest&, Poco::Net::HTTPServerResponse&)>;

    explicit ScriptedServer(Handler handler);
    ~ScriptedServer();

    uint16_t Port() const { return m_port; }
    // "127.0.0.1:<port>", for ForcedHost.
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Requests() const { return m_requests; }

    // For handlers that must hang: waits until the server is being stopped or the
    // time has passed.
    void Hang(std::chrono::milliseconds atMost);

  private:
    class Factory;
    std::atomic<int> m_requests{0};
    std::mutex m_lock;
    std::condition_variable m_released;
    bool m_stopping = false;
    Handler m_handler;
    std::unique_ptr<Poco::Net::HTTPServer> m_server;
    uint16_t m_port = 0;
};

}  // namespace test
}  // namespace objstore
