// Files and folders: creation with the Windows dispositions and share modes, reads, writes, times,
// attributes, deleting, copying, moving, and the C runtime's path functions.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/posix/handles.h"
#include "platform/posix/paths.h"
#include "platform/posix/processes.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

// A name ending in ".exe" (in any case): a program the process may start later.
bool IsProgramName(const std::string& host) {
    const std::string suffix = ".exe";
    if (host.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = host[host.size() - suffix.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != suffix[i]) return false;
    }
    return true;
}

bool WantsRead(DWORD access) {
    return access & (GENERIC_READ | GENERIC_ALL | 0x1u);
}
bool WantsWrite(DWORD access) {
    return access & (GENERIC_WRITE | GENERIC_ALL | 0x2u | 0x4u);
}

// Windows' read-only attribute: a file nobody may write to (root included).
bool IsReadOnly(const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

struct OpenEntry {
    DWORD access;
    DWORD share;
};

// Open files of this process by inode, for the share-mode checks Windows makes.
struct ShareTable {
    std::mutex mutex;
    std::multimap<std::pair<dev_t, ino_t>, OpenEntry*> open;
};
ShareTable& Shares() {
    static ShareTable* table = new ShareTable;
    return *table;
}

bool ShareConflict(const struct stat& st, DWORD access, DWORD share) {
    auto range = Shares().open.equal_range({st.st_dev, st.st_ino});
    for (auto it = range.first; it != range.second; ++it) {
        const OpenEntry& e = *it->second;
        if ((WantsRead(access) && !(e.share & FILE_SHARE_READ)) ||
            (WantsWrite(access) && !(e.share & FILE_SHARE_WRITE)) ||
            (WantsRead(e.access) && !(share & FILE_SHARE_READ)) ||
            (WantsWrite(e.access) && !(share & FILE_SHARE_WRITE)))
            return true;
    }
    return false;
}

struct FileObject : Object {
    int fd = -1;
    OpenEntry entry{};
    std::pair<dev_t, ino_t> key{};
    ~FileObject() override {
        std::lock_guard<std::mutex> lock(Shares().mutex);
        auto range = Shares().open.equal_range(key);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == &entry) {
                Shares().open.erase(it);
                break;
            }
        if (fd >= 0) close(fd);
    }
};

DWORD AttributesOf(const struct stat& st) {
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

void FailErrno(int err, const std::string& host) {
    SetError(err == ENOENT ? MissingPathError(host) : ErrorFromErrno(err));
}

HANDLE OpenFile(const std::string& host, DWORD access, DWORD share, DWORD disposition,
                DWORD flags) {
    std::lock_guard<std::mutex> lock(Shares().mutex);
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode) &&
        !(flags & FILE_FLAG_BACKUP_SEMANTICS && disposition == OPEN_EXISTING)) {
        SetError(disposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int oflags = O_CLOEXEC;
    DWORD successError = ERROR_SUCCESS;
    switch (disposition) {
        case CREATE_NEW:
            if (exists) {
                SetError(ERROR_FILE_EXISTS);
                return INVALID_HANDLE_VALUE;
            }
            oflags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            oflags |= O_CREAT | O_TRUNC;
            if (exists) successError = ERROR_ALREADY_EXISTS;
            break;
        case OPEN_EXISTING:
            break;
        case OPEN_ALWAYS:
            oflags |= O_CREAT;
            if (exists) successError = ERROR_ALREADY_EXISTS;
            break;
        case TRUNCATE_EXISTING:
            if (!WantsWrite(access)) {
                SetError(ERROR_INVALID_PARAMETER);
                return INVALID_HANDLE_VALUE;
            }
            oflags |= O_TRUNC;
            break;
        default:
            SetError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
    }
    if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
        SetError(MissingPathError(host));
        return INVALID_HANDLE_VALUE;
    }
    bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (exists && IsReadOnly(st) && (WantsWrite(access) || truncates)) {
        SetError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && ShareConflict(st, access | (truncates ? GENERIC_WRITE : 0), share)) {
        SetError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    bool read = WantsRead(access), write = WantsWrite(access);
    if (exists && S_ISDIR(st.st_mode))
        oflags |= O_RDONLY | O_DIRECTORY;
    else if (write)
        oflags |= read ? O_RDWR : O_WRONLY;
    else if (truncates)
        oflags |= O_WRONLY;
    else
        oflags |= O_RDONLY;
    // Windows runs any program file; here a new ".exe" needs the execute bits to be started.
    mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    if (IsProgramName(host)) mode |= 0111;
    int fd = open(host.c_str(), oflags, mode);
    if (fd < 0) {
        FailErrno(errno, host);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>();
    file->fd = fd;
    file->entry = OpenEntry{access, share};
    fstat(fd, &st);
    file->key = {st.st_dev, st.st_ino};
    Shares().open.emplace(file->key, &file->entry);
    HANDLE handle = AddHandle(file);
    SetError(successError);
    return handle;
}

// Programs of running processes. Windows keeps a running program's file from being deleted and
// the folders above it from being renamed.
std::set<std::pair<dev_t, ino_t>> ImagesOf(std::vector<std::string>* paths) {
    std::set<std::pair<dev_t, ino_t>> images;
    DIR* proc = opendir("/proc");
    if (!proc) return images;
    while (dirent* e = readdir(proc)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        std::string link = std::string("/proc/") + e->d_name + "/exe";
        struct stat st;
        if (stat(link.c_str(), &st) != 0) continue;
        images.insert({st.st_dev, st.st_ino});
        if (paths) {
            char target[PATH_MAX];
            ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            if (n > 0) paths->push_back(std::string(target, size_t(n)));
        }
    }
    closedir(proc);
    return images;
}

bool HoldsRunningImage(const std::string& folder) {
    char real[PATH_MAX];
    if (!realpath(folder.c_str(), real)) return false;
    std::string prefix = std::string(real) + "/";
    std::vector<std::string> paths;
    ImagesOf(&paths);
    for (const auto& p : paths)
        if (p.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

// Whether an open handle of this process forbids deleting or renaming the file.
bool DeleteBlocked(const struct stat& st) {
    std::lock_guard<std::mutex> lock(Shares().mutex);
    auto range = Shares().open.equal_range({st.st_dev, st.st_ino});
    for (auto it = range.first; it != range.second; ++it)
        if (!(it->second->share & FILE_SHARE_DELETE)) return true;
    return false;
}

bool CopyContents(const std::string& from, const std::string& to, const struct stat& st) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        int err = errno;
        close(in);
        errno = err;
        return false;
    }
    char buffer[65536];
    bool ok = true;
    ssize_t n;
    while ((n = read(in, buffer, sizeof buffer)) > 0) {
        if (write(out, buffer, size_t(n)) != n) {
            ok = false;
            break;
        }
    }
    if (n < 0) ok = false;
    timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
    fchmod(out, st.st_mode & 0777);
    int err = errno;
    close(in);
    close(out);
    errno = err;
    return ok;
}

BOOL CopyHost(const std::string& from, const std::string& to, BOOL failIfExists) {
    struct stat src, dst;
    if (stat(from.c_str(), &src) != 0) {
        FailErrno(errno, from);
        return FALSE;
    }
    if (S_ISDIR(src.st_mode)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (stat(to.c_str(), &dst) == 0) {
        if (failIfExists) {
            SetError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dst.st_mode) || IsReadOnly(dst)) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (!CopyContents(from, to, src)) {
        FailErrno(errno, to);
        return FALSE;
    }
    SetError(ERROR_SUCCESS);
    return TRUE;
}

BOOL MoveHost(const std::string& from, const std::string& to, DWORD flags) {
    struct stat src, dst;
    if (lstat(from.c_str(), &src) != 0) {
        FailErrno(errno, from);
        return FALSE;
    }
    if (DeleteBlocked(src)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (S_ISDIR(src.st_mode) && HoldsRunningImage(from)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    bool targetExists = lstat(to.c_str(), &dst) == 0;
    bool sameFile = targetExists && src.st_dev == dst.st_dev && src.st_ino == dst.st_ino;
    if (targetExists && !sameFile) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dst.st_mode) || S_ISDIR(src.st_mode) || IsReadOnly(dst)) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (rename(from.c_str(), to.c_str()) == 0) return TRUE;
    if (errno == EXDEV) {
        if (S_ISDIR(src.st_mode) || !(flags & MOVEFILE_COPY_ALLOWED)) {
            SetError(ERROR_NOT_SAME_DEVICE);
            return FALSE;
        }
        if (CopyContents(from, to, src) && unlink(from.c_str()) == 0) return TRUE;
    }
    FailErrno(errno == EINVAL ? EACCES : errno, to);
    return FALSE;
}

}  // namespace

std::set<std::pair<dev_t, ino_t>> RunningImages() {
    return ImagesOf(nullptr);
}

int FileDescriptorOf(HANDLE handle) {
    auto file = std::dynamic_pointer_cast<FileObject>(LookupHandle(handle));
    return file ? file->fd : -1;
}

}  // namespace winlayer

using namespace winlayer;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD flags, HANDLE) {
    std::string host;
    if (!name || !*name) {
        SetError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!ToHostPath(name, host)) return INVALID_HANDLE_VALUE;
    return OpenFile(host, access, share, disposition, flags);
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (!name) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(AnsiToWide(name).c_str(), access, share, sa, disposition, flags,
                       templateFile);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    auto file = HandleAs<FileObject>(handle);
    if (done) *done = 0;
    if (!file) return FALSE;
    if (!WantsRead(file->entry.access)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    while (total < count) {
        ssize_t n = read(file->fd, static_cast<char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetError(ErrorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;
        total += DWORD(n);
    }
    if (done) *done = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    auto file = HandleAs<FileObject>(handle);
    if (done) *done = 0;
    if (!file) return FALSE;
    if (!WantsWrite(file->entry.access)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    while (total < count) {
        ssize_t n = write(file->fd, static_cast<const char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetError(ErrorFromErrno(errno));
            if (done) *done = total;
            return FALSE;
        }
        total += DWORD(n);
    }
    if (done) *done = total;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD high) {
    auto file = HandleAs<FileObject>(handle);
    struct stat st;
    if (!file || fstat(file->fd, &st) != 0) return INVALID_FILE_SIZE;
    if (high) *high = DWORD(uint64_t(st.st_size) >> 32);
    SetError(ERROR_SUCCESS);
    return DWORD(uint64_t(st.st_size) & 0xFFFFFFFFu);
}

BOOL GetFileTime(HANDLE handle, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
    auto file = HandleAs<FileObject>(handle);
    struct stat st;
    if (!file) return FALSE;
    if (fstat(file->fd, &st) != 0) {
        SetError(ErrorFromErrno(errno));
        return FALSE;
    }
    FileTimes times = TimesOf(file->fd, st);
    if (creation) *creation = times.creation;
    if (access) *access = times.access;
    if (write) *write = times.write;
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* access,
                 const FILETIME* write) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) return FALSE;
    if (!WantsWrite(file->entry.access)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (access) times[0] = TimespecFromFileTime(*access);
    if (write) times[1] = TimespecFromFileTime(*write);
    if ((access || write) && futimens(file->fd, times) != 0) {
        SetError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (creation && !StoreCreationTime(file->fd, *creation)) {
        SetError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
    std::string host;
    struct stat st;
    if (!name || !ToHostPath(name, host)) return INVALID_FILE_ATTRIBUTES;
    if (stat(host.c_str(), &st) != 0) {
        FailErrno(errno, host);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st);
}

DWORD GetFileAttributesA(LPCSTR name) {
    return name ? GetFileAttributesW(AnsiToWide(name).c_str()) : INVALID_FILE_ATTRIBUTES;
}

BOOL DeleteFileW(LPCWSTR name) {
    std::string host;
    struct stat st;
    if (!name || !ToHostPath(name, host)) return FALSE;
    if (lstat(host.c_str(), &st) != 0) {
        FailErrno(errno, host);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || IsReadOnly(st) || RunningImages().count({st.st_dev, st.st_ino})) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (DeleteBlocked(st)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(host.c_str()) != 0) {
        FailErrno(errno, host);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    return name ? DeleteFileW(AnsiToWide(name).c_str()) : FALSE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    std::string hostFrom, hostTo;
    if (!from || !to || !ToHostPath(from, hostFrom) || !ToHostPath(to, hostTo)) return FALSE;
    return CopyHost(hostFrom, hostTo, failIfExists);
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    if (!from || !to) return FALSE;
    return CopyFileW(AnsiToWide(from).c_str(), AnsiToWide(to).c_str(), failIfExists);
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    std::string hostFrom, hostTo;
    if (!from || !to || !ToHostPath(from, hostFrom) || !ToHostPath(to, hostTo)) return FALSE;
    return MoveHost(hostFrom, hostTo, flags);
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!from || !to) return FALSE;
    return MoveFileExW(AnsiToWide(from).c_str(), AnsiToWide(to).c_str(), flags);
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) {
    return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED);
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
    std::string host;
    struct stat st;
    if (!name || !ToHostPath(name, host)) return FALSE;
    if (lstat(host.c_str(), &st) == 0) {
        SetError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (mkdir(host.c_str(), 0777) != 0) {
        SetError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                     : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES sa) {
    return name ? CreateDirectoryW(AnsiToWide(name).c_str(), sa) : FALSE;
}

BOOL RemoveDirectoryW(LPCWSTR name) {
    std::string host;
    if (!name || !ToHostPath(name, host)) return FALSE;
    if (rmdir(host.c_str()) != 0) {
        if (errno == ENOTDIR)
            SetError(ERROR_DIRECTORY);
        else
            FailErrno(errno, host);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR name) {
    return name ? RemoveDirectoryW(AnsiToWide(name).c_str()) : FALSE;
}

int _access(const char* path, int mode) {
    std::string host;
    struct stat st;
    if (!path || !ToHostPathA(path, host) || stat(host.c_str(), &st) != 0) {
        errno = ENOENT;
        return -1;
    }
    if ((mode & 2) && IsReadOnly(st)) {
        errno = EACCES;
        return -1;
    }
    return 0;
}

int _mkdir(const char* path) {
    std::string host;
    if (!path || !ToHostPathA(path, host)) {
        errno = ENOENT;
        return -1;
    }
    return mkdir(host.c_str(), 0777);
}

FILE* _wfsopen(const wchar_t* name, const wchar_t* mode, int) {
    std::string host;
    if (!name || !mode || !ToHostPath(name, host)) {
        errno = ENOENT;
        return nullptr;
    }
    std::string m;
    for (const wchar_t* p = mode; *p && *p != L','; ++p)
        if (*p != L't' && *p != L'N' && *p != L'D' && *p != L'S' && *p != L'R') m += char(*p);
    struct stat st;
    bool writes = m.find_first_of("wa+") != std::string::npos;
    if (writes && stat(host.c_str(), &st) == 0 && IsReadOnly(st)) {
        errno = EACCES;
        return nullptr;
    }
    return fopen(host.c_str(), m.c_str());
}

FILE* _fsopen(const char* name, const char* mode, int share) {
    if (!name || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    return _wfsopen(AnsiToWide(name).c_str(), AnsiToWide(mode).c_str(), share);
}

namespace winlayer {
bool DeleteBlockedHost(const std::string& hostPath) {
    struct stat st;
    return lstat(hostPath.c_str(), &st) == 0 && DeleteBlocked(st);
}
}  // namespace winlayer
