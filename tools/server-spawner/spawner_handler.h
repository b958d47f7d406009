// The spawner's HTTP interface (see tests/support/spawner_client.h for the protocol).
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include <Poco/Net/HTTPRequestHandlerFactory.h>

#include "support/native_server.h"

namespace spawner {

// The servers started so far, by id; all are stopped when it goes.
class ServerTable {
  public:
    int Add(std::unique_ptr<objstore::test::NativeServer> server);
    // Stops and forgets the server; false when the id is unknown.
    bool Stop(int id, int* exitCode);
    void StopAll();

  private:
    std::mutex m_mutex;
    int m_nextId = 1;
    std::map<int, std::unique_ptr<objstore::test::NativeServer>> m_servers;
};

class SpawnerHandlerFactory : public Poco::Net::HTTPRequestHandlerFactory {
  public:
    explicit SpawnerHandlerFactory(ServerTable& table) : m_table(table) {}
    Poco::Net::HTTPRequestHandler* createRequestHandler(
        const Poco::Net::HTTPServerRequest& request) override;

  private:
    ServerTable& m_table;
};

}  // namespace spawner
