// Process-wide cache of DNS answers with a fixed time to live.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <Poco/Net/HostEntry.h>

#include "util/lru_cache.h"

namespace objstore {

// One cached answer and when it was stored (seconds since the epoch).
struct HostEntryCache {
    Poco::Net::HostEntry entry;
    int64_t storedAt = 0;
};

class SimpleDnsCache {
  public:
    using Resolver = std::function<Poco::Net::HostEntry(const std::string& host)>;
    using Clock = std::function<int64_t()>;  // seconds since the epoch

    // Looks hosts up with Poco's DNS (canonical name, configured families only)
    // and time().
    SimpleDnsCache(uint32_t capacity, uint32_t ttlSeconds);
    SimpleDnsCache(uint32_t capacity, uint32_t ttlSeconds, Resolver resolver, Clock clock);

    // One IP address of the host as text, picked at random among the answer's
    // addresses; "" for an empty host or an answer without addresses. An entry
    // older than the time to live is looked up again. Lookup failures propagate
    // (Poco::Net::HostNotFoundException and the like).
    std::string Resolve(const std::string& host);

    // Replaces the lookup, for embedders with their own name service (and tests
    // that must not reach a real resolver); an empty one restores the system
    // lookup. Thread-safe.
    void SetResolver(Resolver resolver);

    uint32_t GetCapacity() const { return m_capacity; }
    uint32_t GetTtlSeconds() const { return m_ttlSeconds; }

  private:
    const uint32_t m_capacity;
    const uint32_t m_ttlSeconds;
    std::shared_ptr<LruCache<std::string, HostEntryCache>> m_cache;
    mutable std::mutex m_resolverLock;
    Resolver m_resolver;
    Clock m_clock;
};

// The process-wide cache, built at first use from DnsCacheSize and
// DnsCacheExpirySeconds.
SimpleDnsCache& GetDnsCache();

}  // namespace objstore
