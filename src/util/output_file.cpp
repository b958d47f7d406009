#include "util/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace objstore {

int OutputFile::Open(const std::string& path) {
    Close();
#ifdef _WIN32
    m_fd = _sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE);
#else
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
    return m_fd < 0 ? errno : 0;
}

int OutputFile::Seek(uint64_t offset) {
#ifdef _WIN32
    const bool ok = _lseeki64(m_fd, static_cast<__int64>(offset), SEEK_SET) >= 0;
#else
    const bool ok = ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
#endif
    return ok ? 0 : errno;
}

int OutputFile::Write(const char* data, uint64_t length) {
    while (length > 0) {
        // Chunks stay below what a single write call accepts on every platform.
        const unsigned chunk = length > (1u << 30) ? (1u << 30) : static_cast<unsigned>(length);
#ifdef _WIN32
        const int written = _write(m_fd, data, chunk);
#else
        const ssize_t written = ::write(m_fd, data, chunk);
#endif
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        data += written;
        length -= static_cast<uint64_t>(written);
    }
    return 0;
}

int OutputFile::Close() {
    if (m_fd < 0) return 0;
#ifdef _WIN32
    const int rc = _close(m_fd);
#else
    const int rc = ::close(m_fd);
#endif
    m_fd = -1;
    return rc == 0 ? 0 : errno;
}

}  // namespace objstore
