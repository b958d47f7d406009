#include "scripted_server.h"

#include <Poco/Net/HTTPRequestHandlerFactory.h>
#include <Poco/Net/HTTPServerParams.h>
#include <Poco/Net/ServerSocket.h>

namespace objstore {
namespace test {

class ScriptedServer::Factory : public Poco::Net::HTTPRequestHandlerFactory {
  public:
    explicit Factory(ScriptedServer& owner) : m_owner(owner) {}

    Poco::Net::HTTPRequestHandler* createRequestHandler(
        const Poco::Net::HTTPServerRequest&) override {
        return new Handler(m_owner);
    }

  private:
    class Handler : public Poco::Net::HTTPRequestHandler {
      public:
        explicit Handler(ScriptedServer& owner) : m_owner(owner) {}
        void handleRequest(Poco::Net::HTTPServerRequest& request,
                           Poco::Net::HTTPServerResponse& response) override {
            ++m_owner.m_requests;
            m_owner.m_handler(request, response);
        }

      private:
        ScriptedServer& m_owner;
    };

    ScriptedServer& m_owner;
};

ScriptedServer::ScriptedServer(Handler handler) : m_handler(std::move(handler)) {
    Poco::Net::ServerSocket socket(Poco::Net::SocketAddress("127.0.0.1", 0));
    m_port = socket.address().port();
    auto* params = new Poco::Net::HTTPServerParams;
    params->setMaxThreads(32);
    params->setKeepAlive(false);
    m_server = std::make_unique<Poco::Net::HTTPServer>(new Factory(*this), socket, params);
    m_server->start();
}

ScriptedServer::~ScriptedServer() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_released.notify_all();
    m_server->stopAll(true);
}

void ScriptedServer::Hang(std::chrono::milliseconds atMost) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_released.wait_for(lock, atMost, [this] { return m_stopping; });
}

}  // namespace test
}  // namespace objstore
