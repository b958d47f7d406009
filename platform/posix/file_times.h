// The one conversion between host times and FILETIMEs, and the one answer to "what are this file's
// times". A FILETIME counts 100 ns ticks since 1601-01-01 UTC; host times are timespecs since
// 1970-01-01 UTC, so a conversion keeps everything down to the tick.
//
// Times of a file: last write = st_mtim, last access = st_atim, creation = the value SetFileTime
// stored in the extended attribute user.objstore.creationtime, else the file system's birth time,
// else st_mtim. GetFileTime, FindFirstFile/FindNextFile and the shell link all use TimesOf, so they
// never disagree. Not for code outside platform/.
#pragma once

#include <sys/stat.h>
#include <time.h>

#include <string>

#include "platform/posix/win32_types.h"

namespace winlayer {

FILETIME FileTimeFromTimespec(const timespec& ts);
timespec TimespecFromFileTime(const FILETIME& ft);

struct FileTimes {
    FILETIME creation, access, write;
};
// st is the file's stat (fstat of fd, or stat/lstat of hostPath).
FileTimes TimesOf(int fd, const struct stat& st);
FileTimes TimesOf(const std::string& hostPath, const struct stat& st);

// Stores the creation time that TimesOf reports from now on; false with errno set on failure.
bool StoreCreationTime(int fd, const FILETIME& creation);

}  // namespace winlayer
