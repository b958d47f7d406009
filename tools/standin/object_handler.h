// Answers one object request: checks, faults, and the object itself.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <Poco/Net/HTTPRequestHandler.h>
#include <Poco/Net/HTTPRequestHandlerFactory.h>

#include "etag_cache.h"
#include "fault_injector.h"
#include "request_auth.h"
#include "request_log.h"
#include "served_folder.h"
#include "standin_options.h"

namespace standin {

// Everything the handlers share; built once before the server starts.
struct ServiceState {
    explicit ServiceState(const StandinOptions& opts);

    StandinOptions options;
    Credentials credentials;
    std::vector<std::string> bucketHosts;  // accepted Host values (lower case)
    ServedFolder folder;
    FaultInjector faults;
    EtagCache etags;
    RequestLog log;
    std::string idPrefix;
    std::atomic<uint64_t> sequence{0};
    std::atomic<bool> stopping{false};
};

class ObjectHandlerFactory : public Poco::Net::HTTPRequestHandlerFactory {
  public:
    explicit ObjectHandlerFactory(ServiceState& state) : m_state(state) {}
    Poco::Net::HTTPRequestHandler* createRequestHandler(
        const Poco::Net::HTTPServerRequest& request) override;

  private:
    ServiceState& m_state;
};

}  // namespace standin
