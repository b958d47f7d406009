#include "support/test_server.h"

#include <cstdlib>
#include <stdexcept>

#include "support/spawner_client.h"
#include "util/bucket_host.h"

#ifndef _WIN32
#include "support/native_server.h"
#endif

namespace objstore {
namespace test {

// Either a process of ours or one the spawner runs for us.
class TestServer::Backend {
  public:
    virtual ~Backend() = default;
    virtual uint16_t Port() const = 0;
    virtual int Stop() = 0;
};

namespace {

class SpawnedBackend : public TestServer::Backend {
  public:
    SpawnedBackend(SpawnerClient client, SpawnerClient::Started started)
        : m_client(std::move(client)), m_started(started) {}
    ~SpawnedBackend() override {
        try {
            Stop();
        } catch (const std::exception&) {
        }
    }
    uint16_t Port() const override { return m_started.port; }
    int Stop() override {
        if (!m_stopped) {
            m_stopped = true;
            m_exitCode = m_client.Stop(m_started.id);
        }
        return m_exitCode;
    }

  private:
    SpawnerClient m_client;
    SpawnerClient::Started m_started;
    bool m_stopped = false;
    int m_exitCode = 0;
};

#ifndef _WIN32
class NativeBackend : public TestServer::Backend {
  public:
    explicit NativeBackend(std::unique_ptr<NativeServer> server) : m_server(std::move(server)) {}
    uint16_t Port() const override { return m_server->Port(); }
    int Stop() override { return m_server->Stop(); }

  private:
    std::unique_ptr<NativeServer> m_server;
};
#endif

// OBJSTORE_SERVER_SPAWNER ("host:port") sends every start through the spawner.
const char* SpawnerAddress() {
    const char* address = std::getenv("OBJSTORE_SERVER_SPAWNER");
    return address != nullptr && *address != '\0' ? address : nullptr;
}

#ifdef _WIN32
[[noreturn]] void NoSpawner() {
    throw std::runtime_error(
        "servers for this build are started by objstore-server-spawner: set "
        "OBJSTORE_SERVER_SPAWNER=host:port");
}
#endif

}  // namespace

TestServer::TestServer(std::unique_ptr<Backend> backend)
    : m_backend(std::move(backend)), m_port(m_backend->Port()) {}

TestServer::~TestServer() = default;

int TestServer::Stop() {
    return m_backend->Stop();
}

std::unique_ptr<TestServer> TestServer::Standin(const std::vector<std::string>& args) {
    if (const char* address = SpawnerAddress()) {
        SpawnerClient client(address);
        const SpawnerClient::Started started = client.StartStandin(args);
        return std::unique_ptr<TestServer>(
            new TestServer(std::make_unique<SpawnedBackend>(client, started)));
    }
#ifdef _WIN32
    NoSpawner();
#else
    return std::unique_ptr<TestServer>(
        new TestServer(std::make_unique<NativeBackend>(NativeServer::StartStandin(args))));
#endif
}

std::unique_ptr<TestServer> TestServer::Standin(const StandinSettings& settings) {
    return Standin(settings.Args());
}

std::unique_ptr<TestServer> TestServer::Nginx(const std::string& unixRoot) {
    if (const char* address = SpawnerAddress()) {
        SpawnerClient client(address);
        const SpawnerClient::Started started = client.StartNginx(unixRoot);
        return std::unique_ptr<TestServer>(
            new TestServer(std::make_unique<SpawnedBackend>(client, started)));
    }
#ifdef _WIN32
    NoSpawner();
#else
    return std::unique_ptr<TestServer>(
        new TestServer(std::make_unique<NativeBackend>(NativeServer::StartNginx(unixRoot))));
#endif
}

std::string StandinSettings::BucketHost() const {
    return objstore::BucketHost(appId, region, bucket, false);
}

std::vector<std::string> StandinSettings::Args() const {
    std::vector<std::string> args = {"--root",       root,
                                     "--bucket",     bucket,
                                     "--app-id",     std::to_string(appId),
                                     "--region",     region,
                                     "--secret-id",  secretId,
                                     "--secret-key", secretKey,
                                     "--seed",       std::to_string(seed)};
    if (!requestLog.empty()) {
        args.push_back("--request-log");
        args.push_back(requestLog);
    }
    for (const std::string& fault : faults) {
        args.push_back("--fault");
        args.push_back(fault);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return args;
}

}  // namespace test
}  // namespace objstore
