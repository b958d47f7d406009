#include "served_folder.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace standin {
namespace {

// Objects are opened without blocking: opening a FIFO for reading waits for a
// writer, and a device node could wait for its device. Only regular files are
// served, so whatever else opens is closed again at once.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

int OpenBeneath(int folder, const std::string& key) {
    struct open_how how {};
    how.flags = kOpenFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(::syscall(SYS_openat2, folder, key.c_str(), &how, sizeof how));
}

bool IsRegularFile(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

ServedFolder::ServedFolder(const std::string& path) : m_fd(-1) {
    char resolved[PATH_MAX];
    struct stat st {};
    if (::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0 ||
        !S_ISDIR(st.st_mode)) {
        throw std::runtime_error("cannot serve '" + path + "': not a folder");
    }
    m_real = resolved;
    m_fd = ::open(resolved, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) throw std::runtime_error("cannot open '" + path + "'");
}

ServedFolder::~ServedFolder() {
    ::close(m_fd);
}

int ServedFolder::OpenObject(const std::string& key) const {
    int fd = OpenBeneath(m_fd, key);
    if (fd < 0 && errno == ENOSYS) {
        // A kernel before 5.6: resolve, compare, then open what was resolved.
        char resolved[PATH_MAX];
        const std::string candidate = m_real + "/" + key;
        if (::realpath(candidate.c_str(), resolved) == nullptr) return -1;
        const std::string real = resolved;
        if (m_real != "/" && real.compare(0, m_real.size() + 1, m_real + "/") != 0) return -1;
        fd = ::open(resolved, kOpenFlags | O_NOFOLLOW);
    }
    if (fd < 0) return -1;
    // Regular files ignore O_NONBLOCK; it is cleared all the same, so the
    // descriptor reads like any other.
    if (!IsRegularFile(fd) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace standin
