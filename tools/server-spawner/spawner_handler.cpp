#include "spawner_handler.h"

#include <sstream>
#include <string>
#include <vector>

#include <Poco/Net/HTTPRequestHandler.h>
#include <Poco/Net/HTTPServerRequest.h>
#include <Poco/Net/HTTPServerResponse.h>
#include <Poco/StreamCopier.h>
#include <Poco/URI.h>

namespace spawner {
namespace {

using objstore::test::NativeServer;
using Poco::Net::HTTPResponse;
using Poco::Net::HTTPServerRequest;
using Poco::Net::HTTPServerResponse;

void Answer(HTTPServerResponse& response, HTTPResponse::HTTPStatus status,
            const std::string& body) {
    response.setStatusAndReason(status);
    response.setContentType("text/plain");
    response.setContentLength(static_cast<std::streamsize>(body.size()));
    response.sendBuffer(body.data(), body.size());
}

std::string Started(int id, uint16_t port) {
    return "id=" + std::to_string(id) + "\nport=" + std::to_string(port) + "\n";
}

class SpawnerHandler : public Poco::Net::HTTPRequestHandler {
  public:
    explicit SpawnerHandler(ServerTable& table) : m_table(table) {}

    void handleRequest(HTTPServerRequest& request, HTTPServerResponse& response) override {
        std::string body;
        Poco::StreamCopier::copyToString(request.stream(), body);
        const Poco::URI uri(request.getURI());
        const std::string& path = uri.getPath();
        const bool post = request.getMethod() == "POST";
        try {
            if (request.getMethod() == "GET" && path == "/health") {
                Answer(response, HTTPResponse::HTTP_OK, "ok\n");
            } else if (post && path == "/standin") {
                std::vector<std::string> args;
                std::istringstream lines(body);
                for (std::string line; std::getline(lines, line);) args.push_back(line);
                auto server = NativeServer::StartStandin(args);
                const uint16_t port = server->Port();
                const int id = m_table.Add(std::move(server));
                Answer(response, HTTPResponse::HTTP_OK, Started(id, port));
            } else if (post && path == "/nginx") {
                auto server = NativeServer::StartNginx(body);
                const uint16_t port = server->Port();
                const int id = m_table.Add(std::move(server));
                Answer(response, HTTPResponse::HTTP_OK, Started(id, port));
            } else if (post && path == "/stop") {
                int id = 0;
                for (const auto& [name, value] : uri.getQueryParameters()) {
                    if (name == "id") id = std::atoi(value.c_str());
                }
                int exitCode = 0;
                if (m_table.Stop(id, &exitCode)) {
                    Answer(response, HTTPResponse::HTTP_OK,
                           "exit=" + std::to_string(exitCode) + "\n");
                } else {
                    Answer(response, HTTPResponse::HTTP_NOT_FOUND,
                           "no server with id " + std::to_string(id) + "\n");
                }
            } else {
                Answer(response, HTTPResponse::HTTP_NOT_FOUND, "unknown request " + path + "\n");
            }
        } catch (const std::exception& e) {
            Answer(response, HTTPResponse::HTTP_INTERNAL_SERVER_ERROR,
                   std::string(e.what()) + "\n");
        }
    }

  private:
    ServerTable& m_table;
};

}  // namespace

int ServerTable::Add(std::unique_ptr<NativeServer> server) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int id = m_nextId++;
    m_servers[id] = std::move(server);
    return id;
}

bool ServerTable::Stop(int id, int* exitCode) {
    std::unique_ptr<NativeServer> server;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_servers.find(id);
        if (it == m_servers.end()) return false;
        server = std::move(it->second);
        m_servers.erase(it);
    }
    *exitCode = server->Stop();
    return true;
}

void ServerTable::StopAll() {
    std::map<int, std::unique_ptr<NativeServer>> servers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        servers.swap(m_servers);
    }
    servers.clear();  // each destructor stops its server
}

Poco::Net::HTTPRequestHandler* SpawnerHandlerFactory::createRequestHandler(
    const HTTPServerRequest&) {
    return new SpawnerHandler(m_table);
}

}  // namespace spawner
