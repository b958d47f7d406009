#include "util/lru_cache.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace objstore {
namespace {

TEST(LruCache, EvictsTheLeastRecentlyUsed) {
    LruCache<std::string, int> cache(2);
    cache.Put("a", 1);
    cache.Put("b", 2);
    EXPECT_EQ(cache.Get("a"), 1);  // a becomes the most recent
    cache.Put("c", 3);
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_THROW(cache.Get("b"), std::range_error);
    EXPECT_EQ(cache.Get("a"), 1);
    EXPECT_EQ(cache.Get("c"), 3);
}

TEST(LruCache, PutOfACachedKeyReplacesItAtTheFront) {
    LruCache<std::string, int> cache(2);
    cache.Put("a", 1);
    cache.Put("b", 2);
    cache.Put("a", 10);
    EXPECT_EQ(cache.Size(), 2u);
    cache.Put("c", 3);  // b is now the least recent
    EXPECT_EQ(cache.Get("a"), 10);
    EXPECT_THROW(cache.Get("b"), std::range_error);
}

TEST(LruCache, MissingKeyThrowsRangeError) {
    LruCache<std::string, int> cache(3);
    try {
        cache.Get("x");
        FAIL() << "no exception";
    } catch (const std::range_error& e) {
        EXPECT_STREQ(e.what(), "No such key in cache");
    }
}

TEST(LruCache, CapacityZeroStoresNothing) {
    LruCache<std::string, int> cache(0);
    cache.Put("a", 1);
    cache.Put("a", 2);
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_THROW(cache.Get("a"), std::range_error);
}

TEST(LruCache, ConcurrentUseStaysWithinCapacity) {
    LruCache<int, int> cache(8);
    std::atomic<bool> wrongValue{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, &wrongValue, t] {
            for (int i = 0; i < 2000; ++i) {
                const int key = (i * 7 + t) % 20;
                cache.Put(key, key * 2);
                try {
                    if (cache.Get(key) != key * 2) wrongValue = true;
                } catch (const std::range_error&) {
                    // evicted by another thread in between
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(cache.Size(), 8u);
    EXPECT_FALSE(wrongValue);
}

}  // namespace
}  // namespace objstore
