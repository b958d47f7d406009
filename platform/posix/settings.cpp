// The machine's settings (<root>/settings.ini), parsed once per change of the file.
//
// Mouse moves ask for monitors and the display scale, so settings are looked up very often; a stat
// per lookup is cheap, a read and parse is not. The parsed file is kept with the file's identity
// and stamps (device, inode, size, st_mtim and st_ctim to the nanosecond) and read again when any
// of them changed. A file replaced by rename always differs (a new inode).
//
// What stat cannot tell: a rewrite in place that keeps the size within one tick of the file
// system's clock (a few milliseconds; whole seconds on some file systems). So a file whose
// modification time is less than kRacyWindow older than the moment it was read is not trusted
// and read again at the next lookup, until it has aged. The remaining race is a writer whose
// stamps do not follow our clock (a stepped-back clock, another machine's file server).
#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>

#include "platform/posix/profile_text.h"
#include "platform/posix/sysroot.h"

namespace winlayer {
namespace {

constexpr int64_t kRacyWindowNs = 2000000000LL;

int64_t Nanoseconds(const timespec& ts) {
    return int64_t(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// What stat says about the file; equal stamps mean the parsed content is still the file's.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified = 0, changed = 0;
    bool operator==(const Stamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified == o.modified && changed == o.changed;
    }
};

Stamp StampOf(const std::string& path) {
    Stamp s;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = Nanoseconds(st.st_mtim);
    s.changed = Nanoseconds(st.st_ctim);
    return s;
}

// Section and key in lower case -> value, as ProfileGet answers for the file's text.
using Values = std::map<std::pair<std::string, std::string>, std::string>;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::shared_ptr<const Values> Parse(const std::string& text) {
    auto values = std::make_shared<Values>();
    for (const auto& section : ProfileSections(text))
        for (const auto& key : ProfileKeys(text, section)) {
            std::string value;
            auto name = std::make_pair(Lower(section), Lower(key));
            if (!values->count(name) && ProfileGet(text, section, key, value))
                (*values)[name] = value;
        }
    return values;
}

struct Cache {
    std::mutex mutex;
    std::string path;
    Stamp stamp;
    bool trusted = false;  // false: read again at the next lookup
    std::shared_ptr<const Values> values;
};
Cache& TheCache() {
    static Cache* cache = new Cache;  // never destroyed: lookups may come from exiting threads
    return *cache;
}

std::atomic<unsigned long> reads{0};

std::shared_ptr<const Values> Load(const std::string& path, Stamp& stamp, bool& trusted) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    ++reads;
    Stamp after = StampOf(path);
    // Changed while being read, or too fresh to tell a same-size rewrite apart: use it once.
    trusted =
        after == stamp && (!after.exists || Nanoseconds(now) - after.modified >= kRacyWindowNs);
    stamp = after;
    return Parse(text.str());
}

std::shared_ptr<const Values> ValuesOf(const std::string& root) {
    const std::string path = root + "/settings.ini";
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    Stamp now = StampOf(path);
    if (!cache.values || cache.path != path || !cache.trusted || !(cache.stamp == now)) {
        cache.path = path;
        cache.stamp = now;
        cache.values = Load(path, cache.stamp, cache.trusted);
    }
    return cache.values;
}

}  // namespace

bool LookupSetting(const std::string& root, const std::string& section, const std::string& key,
                   std::string& value) {
    auto values = ValuesOf(root);
    auto it = values->find({Lower(section), Lower(key)});
    if (it == values->end()) return false;
    value = it->second;
    return true;
}

std::string Setting(const std::string& section, const std::string& key,
                    const std::string& fallback) {
    std::string value;
    return LookupSetting(SystemRootDir(), section, key, value) ? value : fallback;
}

bool HasSetting(const std::string& section, const std::string& key) {
    std::string value;
    return LookupSetting(SystemRootDir(), section, key, value);
}

unsigned long SettingsFileReads() {
    return reads.load();
}

}  // namespace winlayer
