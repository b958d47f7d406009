#include "util/simple_dns_cache.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <random>
#include <thread>
#include <utility>

#include <Poco/Net/DNS.h>

#include "util/client_log.h"
#include "util/cos_global_settings.h"

namespace objstore {

namespace {

Poco::Net::HostEntry LookUpHost(const std::string& host) {
    return Poco::Net::DNS::hostByName(
        host, Poco::Net::DNS::DNS_HINT_AI_CANONNAME | Poco::Net::DNS::DNS_HINT_AI_ADDRCONFIG);
}

int64_t NowSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

// Uniform over 0..n-1, one generator per thread.
size_t PickIndex(size_t n) {
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{
            device(), device(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
            static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id()))};
        return std::mt19937_64(seed);
    }();
    return std::uniform_int_distribution<size_t>(0, n - 1)(engine);
}

}  // namespace

SimpleDnsCache::SimpleDnsCache(uint32_t capacity, uint32_t ttlSeconds)
    : SimpleDnsCache(capacity, ttlSeconds, LookUpHost, NowSeconds) {}

SimpleDnsCache::SimpleDnsCache(uint32_t capacity, uint32_t ttlSeconds, Resolver resolver,
                               Clock clock)
    : m_capacity(capacity),
      m_ttlSeconds(ttlSeconds),
      m_cache(std::make_shared<LruCache<std::string, HostEntryCache>>(capacity)),
      m_resolver(std::move(resolver)),
      m_clock(std::move(clock)) {}

void SimpleDnsCache::SetResolver(Resolver resolver) {
    std::lock_guard<std::mutex> guard(m_resolverLock);
    m_resolver = resolver ? std::move(resolver) : Resolver(LookUpHost);
}

std::string SimpleDnsCache::Resolve(const std::string& host) {
    if (host.empty()) {
        return "";
    }
    const int64_t now = m_clock();

    HostEntryCache cached;
    bool found = false;
    try {
        cached = m_cache->Get(host);
        found = true;
    } catch (const std::exception&) {
        // Any failure to read the cache counts as a miss.
    }

    bool fresh = false;
    if (!found) {
        OBJSTORE_LOG_DBG("%s:%s(%d) %s not exists in cache\n", host.c_str());
    } else {
        OBJSTORE_LOG_DBG("%s:%s(%d) %s hit dns cache\n", host.c_str());
        if (now - cached.storedAt > static_cast<int64_t>(m_ttlSeconds)) {
            OBJSTORE_LOG_DBG("%s:%s(%d) %s cache expired\n", host.c_str());
        } else {
            fresh = true;
        }
    }

    if (!fresh) {
        const auto start = std::chrono::steady_clock::now();
        Resolver resolver;
        {
            std::lock_guard<std::mutex> guard(m_resolverLock);
            resolver = m_resolver;
        }
        Poco::Net::HostEntry entry = resolver(host);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        OBJSTORE_LOG_DBG("%s:%s(%d) query dns server for host: %s, consume: %dms\n", host.c_str(),
                         static_cast<int>(elapsed.count()));
        cached.entry = std::move(entry);
        cached.storedAt = now;
        m_cache->Put(host, cached);
    }

    const Poco::Net::HostEntry::AddressList& addresses = cached.entry.addresses();
    std::string ip;
    if (addresses.size() == 1) {
        ip = addresses.front().toString();
    } else if (addresses.size() > 1) {
        ip = addresses[PickIndex(addresses.size())].toString();
    }
    OBJSTORE_LOG_DBG("%s:%s(%d) ip_addr_str: %s\n", ip.c_str());
    return ip;
}

// Never destroyed: download threads still finishing at process exit use it.
SimpleDnsCache& GetDnsCache() {
    static SimpleDnsCache* cache =
        new SimpleDnsCache(CosGlobalSettings::Instance().GetDnsCacheSize(),
                           CosGlobalSettings::Instance().GetDnsCacheExpirySeconds());
    return *cache;
}

}  // namespace objstore
