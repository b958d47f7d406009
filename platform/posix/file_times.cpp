// FILETIME conversions and the times of a file (file_times.h).
#include "platform/posix/file_times.h"

#include <fcntl.h>
#include <sys/xattr.h>

#include <cstdint>

namespace winlayer {
namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 as a FILETIME
const char kCreationTimeAttribute[] = "user.objstore.creationtime";

int64_t TicksOf(const FILETIME& ft) {
    return int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FileTimeOfTicks(int64_t ticks) {
    return FILETIME{DWORD(uint64_t(ticks) & 0xFFFFFFFFu), DWORD(uint64_t(ticks) >> 32)};
}

// The creation time from what the attribute and statx gave (either may have failed).
FILETIME CreationOf(ssize_t attributeSize, uint64_t stored, bool haveBirth, const struct statx& sx,
                    const struct stat& st) {
    if (attributeSize == ssize_t(sizeof stored)) return FileTimeOfTicks(int64_t(stored));
    if (haveBirth && (sx.stx_mask & STATX_BTIME))
        return FileTimeFromTimespec(timespec{sx.stx_btime.tv_sec, long(sx.stx_btime.tv_nsec)});
    return FileTimeFromTimespec(st.st_mtim);
}

FileTimes Assemble(FILETIME creation, const struct stat& st) {
    return FileTimes{creation, FileTimeFromTimespec(st.st_atim), FileTimeFromTimespec(st.st_mtim)};
}

}  // namespace

FILETIME FileTimeFromTimespec(const timespec& ts) {
    return FileTimeOfTicks(kUnixEpochTicks + int64_t(ts.tv_sec) * kTicksPerSecond +
                           ts.tv_nsec / 100);
}

timespec TimespecFromFileTime(const FILETIME& ft) {
    int64_t t = TicksOf(ft) - kUnixEpochTicks;
    timespec ts;
    ts.tv_sec = time_t(t / kTicksPerSecond);
    ts.tv_nsec = long(t % kTicksPerSecond) * 100;
    if (ts.tv_nsec < 0) {  // before 1970: the remainder of a negative count
        ts.tv_nsec += 1000000000L;
        --ts.tv_sec;
    }
    return ts;
}

FileTimes TimesOf(int fd, const struct stat& st) {
    uint64_t stored = 0;
    ssize_t n = fgetxattr(fd, kCreationTimeAttribute, &stored, sizeof stored);
    struct statx sx {};
    bool birth = n != ssize_t(sizeof stored) && statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, &sx) == 0;
    return Assemble(CreationOf(n, stored, birth, sx, st), st);
}

FileTimes TimesOf(const std::string& hostPath, const struct stat& st) {
    uint64_t stored = 0;
    ssize_t n = getxattr(hostPath.c_str(), kCreationTimeAttribute, &stored, sizeof stored);
    struct statx sx {};
    bool birth =
        n != ssize_t(sizeof stored) && statx(AT_FDCWD, hostPath.c_str(), 0, STATX_BTIME, &sx) == 0;
    return Assemble(CreationOf(n, stored, birth, sx, st), st);
}

bool StoreCreationTime(int fd, const FILETIME& creation) {
    uint64_t ticks = uint64_t(TicksOf(creation));
    return fsetxattr(fd, kCreationTimeAttribute, &ticks, sizeof ticks, 0) == 0;
}

}  // namespace winlayer
