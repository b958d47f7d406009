// A fixed-capacity map that evicts its least recently used entry; thread-safe.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace objstore {

template <typename K, typename V>
class LruCache {
  public:
    explicit LruCache(uint64_t capacity) : m_capacity(capacity) {}

    // Copy of the value; the entry becomes the most recent.
    // Throws std::range_error("No such key in cache") when absent.
    V Get(const K& key) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_index.find(key);
        if (found == m_index.end()) {
            throw std::range_error("No such key in cache");
        }
        m_entries.splice(m_entries.begin(), m_entries, found->second);
        return found->second->second;
    }

    // Stores the pair as the most recent entry, replacing an earlier value of
    // the key or else evicting the least recent entry when over capacity. A
    // cache of capacity 0 stores nothing.
    void Put(const K& key, const V& value) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_capacity == 0) {
            return;
        }
        m_entries.emplace_front(key, value);
        auto found = m_index.find(key);
        if (found != m_index.end()) {
            m_entries.erase(found->second);
        } else if (m_entries.size() > m_capacity) {
            m_index.erase(m_entries.back().first);
            m_entries.pop_back();
        }
        m_index[key] = m_entries.begin();
    }

    uint64_t Size() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_entries.size();
    }

    uint64_t Capacity() const { return m_capacity; }

  private:
    using Entries = std::list<std::pair<K, V>>;

    Entries m_entries;  // most recent first
    std::unordered_map<K, typename Entries::iterator> m_index;
    const uint64_t m_capacity;
    mutable std::mutex m_lock;
};

}  // namespace objstore
