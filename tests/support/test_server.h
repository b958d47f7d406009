// A server for one test: objstore-standin or nginx on a free loopback port,
// stopped when the object goes, whatever the test's outcome.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace objstore {
namespace test {

// The bucket and credentials a stand-in serves with; tests sign with the same.
struct StandinSettings {
    std::string root;  // Unix path of the served folder (TestDir::UnixPath...)
    std::string bucket = "pkgs";
    uint64_t appId = 1250000000;
    std::string region = "accelerate";
    std::string secretId = "AKIDstandin0test0id";
    std::string secretKey = "standin0test0secret0key";
    std::string requestLog;           // Unix path; "" for none
    std::vector<std::string> faults;  // --fault values
    uint64_t seed = 1;
    std::vector<std::string> extraArgs;

    // The bucket host the client must name in Host.
    std::string BucketHost() const;
    std::vector<std::string> Args() const;
};

class TestServer {
  public:
    static std::unique_ptr<TestServer> Standin(const StandinSettings& settings);
    // Raw arguments to objstore-standin ("--port 0" is added).
    static std::unique_ptr<TestServer> Standin(const std::vector<std::string>& args);
    // nginx serving the folder at unixRoot.
    static std::unique_ptr<TestServer> Nginx(const std::string& unixRoot);

    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    const char* Host() const { return "127.0.0.1"; }
    uint16_t Port() const { return m_port; }
    // Stops the server now and returns its exit code (0 after a clean stop).
    int Stop();

    class Backend;

  private:
    explicit TestServer(std::unique_ptr<Backend> backend);

    std::unique_ptr<Backend> m_backend;
    uint16_t m_port;
};

}  // namespace test
}  // namespace objstore
