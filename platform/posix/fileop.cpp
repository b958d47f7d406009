// Shell file operations: delete (files, folder trees, patterns in the name part). Symbolic links
// are removed, never followed, so a delete never reaches outside the named path.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"
#include "platform/posix/processes.h"
#include "platform/posix/text.h"
#include "platform/posix/wildcard.h"
#include "platform/win32.h"

namespace winlayer {
bool DeleteBlockedHost(const std::string& hostPath);  // files.cpp

namespace {

using ImageSet = std::set<std::pair<dev_t, ino_t>>;

// Removes a host path and, for a real folder, everything below it, except running programs.
// Returns a Win32 error code.
DWORD RemoveTree(const std::string& path, const ImageSet& images) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return MissingPathError(path);
    if (S_ISDIR(st.st_mode)) {
        DWORD result = ERROR_SUCCESS;
        if (DIR* dir = opendir(path.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = readdir(dir)) {
                std::string n = e->d_name;
                if (n != "." && n != "..") names.push_back(n);
            }
            closedir(dir);
            for (const auto& n : names) {
                DWORD r = RemoveTree(path + "/" + n, images);
                if (r != ERROR_SUCCESS && result == ERROR_SUCCESS) result = r;
            }
        }
        if (result != ERROR_SUCCESS) return result;
        return rmdir(path.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
    }
    if (images.count({st.st_dev, st.st_ino})) return ERROR_ACCESS_DENIED;
    if (DeleteBlockedHost(path)) return ERROR_SHARING_VIOLATION;
    return unlink(path.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

DWORD DeleteOne(const std::wstring& name, bool filesOnly, const ImageSet& images) {
    WinPath parsed;
    if (!ParseFullPath(name, parsed) || parsed.components.empty()) return ERROR_ACCESS_DENIED;
    if (!HasWildcards(parsed.components.back())) {
        std::string host;
        if (!ToHostPath(name, host)) return GetLastError();
        return RemoveTree(host, images);
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(FormatWinPath(parsed, false).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return ERROR_SUCCESS;  // nothing matched
    std::vector<std::wstring> matches;
    do {
        std::wstring n = data.cFileName;
        if (n == L"." || n == L"..") continue;
        if (filesOnly && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        matches.push_back(n);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    parsed.components.pop_back();
    DWORD result = ERROR_SUCCESS;
    for (const auto& m : matches) {
        WinPath item = parsed;
        item.components.push_back(m);
        item.trailingSeparator = false;
        std::string host;
        if (!ToHostPath(FormatWinPath(item), host)) continue;
        DWORD r = RemoveTree(host, images);
        if (r != ERROR_SUCCESS && result == ERROR_SUCCESS) result = r;
    }
    return result;
}

int FileOperation(UINT func, const std::vector<std::wstring>& names, FILEOP_FLAGS flags,
                  BOOL* aborted) {
    if (aborted) *aborted = FALSE;
    if (func != FO_DELETE) return int(ERROR_CALL_NOT_IMPLEMENTED);
    if (names.empty()) return int(ERROR_ACCESS_DENIED);
    DWORD result = ERROR_SUCCESS;
    ImageSet images = RunningImages();
    for (const auto& name : names) {
        DWORD r = DeleteOne(name, (flags & FOF_FILESONLY) != 0, images);
        if (r != ERROR_SUCCESS && result == ERROR_SUCCESS) result = r;
    }
    return int(result);
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

int SHFileOperationA(LPSHFILEOPSTRUCTA op) {
    if (!op) return int(ERROR_INVALID_PARAMETER);
    std::vector<std::wstring> names;
    for (const char* p = op->pFrom; p && *p; p += strlen(p) + 1) names.push_back(AnsiToWide(p));
    return FileOperation(op->wFunc, names, op->fFlags, &op->fAnyOperationsAborted);
}
