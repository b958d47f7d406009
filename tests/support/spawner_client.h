// Talks to objstore-server-spawner, which starts native servers on request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace objstore {
namespace test {

// The spawner's protocol, plain HTTP on loopback:
//   POST /standin   body: one argument per line  -> 200 "id=<n>\nport=<p>\n"
//   POST /nginx     body: the Unix folder to serve -> 200 "id=<n>\nport=<p>\n"
//   POST /stop?id=N                               -> 200 "exit=<code>\n"
//   GET  /health                                  -> 200 "ok\n"
// A failure answers 4xx/5xx with the reason as the body.
class SpawnerClient {
  public:
    struct Started {
        int id = 0;
        uint16_t port = 0;
    };

    // address: "host:port", as in OBJSTORE_SERVER_SPAWNER.
    explicit SpawnerClient(std::string address);

    Started StartStandin(const std::vector<std::string>& args) const;
    Started StartNginx(const std::string& unixRoot) const;
    int Stop(int id) const;

  private:
    std::string Post(const std::string& target, const std::string& body) const;

    std::string m_host;
    uint16_t m_port = 0;
};

}  // namespace test
}  // namespace objstore
