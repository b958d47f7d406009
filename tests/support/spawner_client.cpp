#include "support/spawner_client.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/StreamCopier.h>

namespace objstore {
namespace test {
namespace {

// Reads "name=value" lines.
std::string Field(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    }
    throw std::runtime_error("spawner answer lacks " + name + ": " + text);
}

SpawnerClient::Started ParseStarted(const std::string& text) {
    SpawnerClient::Started started;
    started.id = std::atoi(Field(text, "id").c_str());
    started.port = static_cast<uint16_t>(std::atoi(Field(text, "port").c_str()));
    return started;
}

}  // namespace

SpawnerClient::SpawnerClient(std::string address) {
    const size_t colon = address.rfind(':');
    if (colon == std::string::npos) throw std::runtime_error("bad spawner address " + address);
    m_host = address.substr(0, colon);
    m_port = static_cast<uint16_t>(std::atoi(address.c_str() + colon + 1));
}

std::string SpawnerClient::Post(const std::string& target, const std::string& body) const {
    Poco::Net::HTTPClientSession session(m_host, m_port);
    session.setTimeout(Poco::Timespan(60, 0));
    Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_POST, target,
                                   Poco::Net::HTTPMessage::HTTP_1_1);
    request.setContentLength(static_cast<std::streamsize>(body.size()));
    session.sendRequest(request) << body;
    Poco::Net::HTTPResponse response;
    std::istream& in = session.receiveResponse(response);
    std::string answer;
    Poco::StreamCopier::copyToString(in, answer);
    if (response.getStatus() != Poco::Net::HTTPResponse::HTTP_OK) {
        throw std::runtime_error("spawner " + target + " failed (" +
                                 std::to_string(static_cast<int>(response.getStatus())) +
                                 "): " + answer);
    }
    return answer;
}

SpawnerClient::Started SpawnerClient::StartStandin(const std::vector<std::string>& args) const {
    std::string body;
    for (const std::string& arg : args) {
        if (arg.find('\n') != std::string::npos) {
            throw std::runtime_error("a spawned server's argument cannot hold a line feed");
        }
        body += arg + "\n";
    }
    return ParseStarted(Post("/standin", body));
}

SpawnerClient::Started SpawnerClient::StartNginx(const std::string& unixRoot) const {
    return ParseStarted(Post("/nginx", unixRoot));
}

int SpawnerClient::Stop(int id) const {
    return std::atoi(Field(Post("/stop?id=" + std::to_string(id), ""), "exit").c_str());
}

}  // namespace test
}  // namespace objstore
