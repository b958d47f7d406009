// MD5 entity tags of served files, computed once per file version.
#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

namespace standin {

class EtagCache {
  public:
    // The MD5 of the open file fd (32 lower-case hex digits), cached under the
    // file's identity (device, inode), modification time and size from st.
    // Concurrent first requests for one file hash it once. Returns "" when the
    // file cannot be read.
    std::string Get(int fd, const struct stat& st);

  private:
    using Key = std::tuple<unsigned long long, unsigned long long, long long, long long, long long>;
    struct Entry {
        std::mutex mutex;
        std::string md5;
    };

    std::mutex m_mutex;
    std::map<Key, std::shared_ptr<Entry>> m_entries;
};

}  // namespace standin
