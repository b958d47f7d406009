#include "util/simple_dns_cache.h"

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <Poco/Net/NetException.h>
#include <Poco/Net/SocketDefs.h>  // hostent, inet_pton on every platform
#include <gtest/gtest.h>

#include "util/cos_global_settings.h"

namespace objstore {
namespace {

Poco::Net::HostEntry MakeEntry(const std::string& name, const std::vector<std::string>& ipv4s) {
    std::vector<in_addr> addrs(ipv4s.size());
    std::vector<char*> list;
    for (size_t i = 0; i < ipv4s.size(); ++i) {
        inet_pton(AF_INET, ipv4s[i].c_str(), &addrs[i]);
        list.push_back(reinterpret_cast<char*>(&addrs[i]));
    }
    list.push_back(nullptr);
    char* noAliases[] = {nullptr};
    std::string hostName = name;
    hostent h{};
    h.h_name = hostName.data();
    h.h_aliases = noAliases;
    h.h_addrtype = AF_INET;
    h.h_length = 4;
    h.h_addr_list = list.data();
    return Poco::Net::HostEntry(&h);
}

// A resolver with fixed answers that counts its queries, and a settable clock.
class DnsCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CosGlobalSettings::Instance().SetLogOutput(2);  // keep stdout quiet
        CosGlobalSettings::Instance().SetLogCallback([this](const std::string& line) {
            std::lock_guard<std::mutex> guard(m_logLock);
            m_log.push_back(line);
        });
    }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }

    SimpleDnsCache MakeCache(uint32_t capacity = 10, uint32_t ttl = 600) {
        return SimpleDnsCache(
            capacity, ttl,
            [this](const std::string& host) {
                ++m_queries;
                auto found = m_answers.find(host);
                if (found == m_answers.end()) {
                    throw Poco::Net::HostNotFoundException(host);
                }
                return found->second;
            },
            [this] { return m_now.load(); });
    }

    std::vector<std::string> TakeLog() {
        std::lock_guard<std::mutex> guard(m_logLock);
        std::vector<std::string> lines;
        lines.swap(m_log);
        return lines;
    }

    std::map<std::string, Poco::Net::HostEntry> m_answers;
    std::atomic<int> m_queries{0};
    std::atomic<int64_t> m_now{1000000};
    std::mutex m_logLock;
    std::vector<std::string> m_log;
};

bool Contains(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

TEST_F(DnsCacheTest, EntryIsServedUntilItIsOlderThanTheTimeToLive) {
    m_answers["pkgs.example"] = MakeEntry("pkgs.example", {"10.0.0.7"});
    SimpleDnsCache cache = MakeCache();

    EXPECT_EQ(cache.Resolve("pkgs.example"), "10.0.0.7");
    EXPECT_EQ(m_queries, 1);
    std::vector<std::string> log = TakeLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(Contains(log[0], ":Resolve(") && Contains(log[0], "[DBG] "));
    EXPECT_TRUE(Contains(log[0], ") pkgs.example not exists in cache\n"));
    EXPECT_TRUE(Contains(log[1], ") query dns server for host: pkgs.example, consume: "));
    EXPECT_TRUE(Contains(log[1], "ms\n"));
    EXPECT_TRUE(Contains(log[2], ") ip_addr_str: 10.0.0.7\n"));

    m_now += 600;
    EXPECT_EQ(cache.Resolve("pkgs.example"), "10.0.0.7");
    EXPECT_EQ(m_queries, 1);
    log = TakeLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(Contains(log[0], ") pkgs.example hit dns cache\n"));

    m_now += 1;
    EXPECT_EQ(cache.Resolve("pkgs.example"), "10.0.0.7");
    EXPECT_EQ(m_queries, 2);
    log = TakeLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(Contains(log[0], ") pkgs.example hit dns cache\n"));
    EXPECT_TRUE(Contains(log[1], ") pkgs.example cache expired\n"));
    EXPECT_TRUE(Contains(log[2], "query dns server for host: pkgs.example"));

    // The new answer counts from the time of the second query.
    m_now += 600;
    cache.Resolve("pkgs.example");
    EXPECT_EQ(m_queries, 2);
}

TEST_F(DnsCacheTest, EveryAddressOfTheAnswerIsChosenSometimes) {
    const std::set<std::string> all = {"10.0.0.1", "10.0.0.2", "10.0.0.3"};
    m_answers["multi"] = MakeEntry("multi", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    m_answers["pair"] = MakeEntry("pair", {"10.0.1.1", "10.0.1.2"});
    SimpleDnsCache cache = MakeCache();
    std::set<std::string> seen;
    std::set<std::string> seenPair;
    for (int i = 0; i < 300; ++i) {
        seen.insert(cache.Resolve("multi"));
        seenPair.insert(cache.Resolve("pair"));
    }
    EXPECT_EQ(seen, all);
    EXPECT_EQ(seenPair, (std::set<std::string>{"10.0.1.1", "10.0.1.2"}));
    EXPECT_EQ(m_queries, 2);
}

TEST_F(DnsCacheTest, EmptyHostAndEmptyAnswerGiveEmptyText) {
    m_answers["bare"] = Poco::Net::HostEntry();
    SimpleDnsCache cache = MakeCache();
    EXPECT_EQ(cache.Resolve(""), "");
    EXPECT_EQ(m_queries, 0);
    EXPECT_TRUE(TakeLog().empty());

    EXPECT_EQ(cache.Resolve("bare"), "");
    EXPECT_EQ(m_queries, 1);
    std::vector<std::string> log = TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(Contains(log.back(), ") ip_addr_str: \n"));
}

TEST_F(DnsCacheTest, LookupFailurePropagatesAndIsNotCached) {
    SimpleDnsCache cache = MakeCache();
    EXPECT_THROW(cache.Resolve("missing.example"), Poco::Net::HostNotFoundException);
    EXPECT_THROW(cache.Resolve("missing.example"), Poco::Net::DNSException);
    EXPECT_EQ(m_queries, 2);
}

TEST_F(DnsCacheTest, LeastRecentHostIsEvictedAndQueriedAgain) {
    m_answers["a"] = MakeEntry("a", {"10.1.0.1"});
    m_answers["b"] = MakeEntry("b", {"10.2.0.1"});
    m_answers["c"] = MakeEntry("c", {"10.3.0.1"});
    SimpleDnsCache cache = MakeCache(2);
    cache.Resolve("a");
    cache.Resolve("b");
    cache.Resolve("a");
    cache.Resolve("c");  // evicts b
    EXPECT_EQ(m_queries, 3);
    cache.Resolve("a");
    EXPECT_EQ(m_queries, 3);
    cache.Resolve("b");
    EXPECT_EQ(m_queries, 4);
}

TEST_F(DnsCacheTest, ConcurrentResolvesAgree) {
    m_answers["shared"] = MakeEntry("shared", {"10.9.0.1", "10.9.0.2"});
    SimpleDnsCache cache = MakeCache();
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const std::string ip = cache.Resolve("shared");
                if (ip != "10.9.0.1" && ip != "10.9.0.2") ++bad;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(bad, 0);
    EXPECT_GE(m_queries, 1);
    EXPECT_LE(m_queries, 4);  // only threads that missed at the same time query
}

TEST_F(DnsCacheTest, DefaultResolverHandlesLiteralAddresses) {
    SimpleDnsCache cache(10, 600);
    EXPECT_EQ(cache.Resolve("127.0.0.1"), "127.0.0.1");
}

TEST_F(DnsCacheTest, ProcessCacheTakesTheSettingsAtFirstUse) {
    CosGlobalSettings::Instance().SetDnsCacheSize(7);
    CosGlobalSettings::Instance().SetDnsCacheExpirySeconds(9);
    SimpleDnsCache& cache = GetDnsCache();
    EXPECT_EQ(cache.GetCapacity(), 7u);
    EXPECT_EQ(cache.GetTtlSeconds(), 9u);
    CosGlobalSettings::Instance().SetDnsCacheSize(1000);
    EXPECT_EQ(&GetDnsCache(), &cache);
    EXPECT_EQ(GetDnsCache().GetCapacity(), 7u);
}

}  // namespace
}  // namespace objstore
