#include "etag_cache.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>

namespace standin {
namespace {

std::string HashFile(int fd, off_t size) {
    Poco::MD5Engine engine;
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    while (offset < size) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return "";
        engine.update(buffer.data(), static_cast<unsigned>(got));
        offset += got;
    }
    return Poco::DigestEngine::digestToHex(engine.digest());
}

}  // namespace

std::string EtagCache::Get(int fd, const struct stat& st) {
    const Key key{static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino),
                  static_cast<long long>(st.st_mtim.tv_sec),
                  static_cast<long long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_size)};
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Entry>& slot = m_entries[key];
        if (!slot) slot = std::make_shared<Entry>();
        entry = slot;
    }
    std::lock_guard<std::mutex> lock(entry->mutex);
    if (entry->md5.empty()) entry->md5 = HashFile(fd, st.st_size);
    return entry->md5;
}

}  // namespace standin
