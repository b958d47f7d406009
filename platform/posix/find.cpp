// Folder enumeration (FindFirstFile / FindNextFile) and file-name patterns.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/posix/handles.h"
#include "platform/posix/paths.h"
#include "platform/posix/text.h"
#include "platform/posix/wildcard.h"
#include "platform/win32.h"

namespace winlayer {

bool HasWildcards(const std::wstring& name) {
    return name.find_first_of(L"*?") != name.npos;
}

bool MatchesPattern(const std::wstring& pattern, const std::wstring& name) {
    std::wstring p = ToUpperWide(pattern), n = ToUpperWide(name);
    if (p == L"*.*") p = L"*";
    size_t pi = 0, ni = 0, star = std::wstring::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == L'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == L'*') {
            star = pi++;
            mark = ni;
        } else if (star != std::wstring::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == L'*') ++pi;
    return pi == p.size();
}

namespace {

struct Found {
    std::wstring name;
    DWORD attributes;
    FileTimes times;
    uint64_t size;
};

struct FindObject : Object {
    std::vector<Found> entries;
    size_t next = 0;
};

bool Collect(const std::wstring& pattern, std::vector<Found>& out) {
    WinPath parsed;
    if (!ParseFullPath(pattern, parsed) || parsed.trailingSeparator) {
        SetError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (parsed.components.empty()) {  // "C:\" itself
        SetError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::wstring namePattern = parsed.components.back();
    parsed.components.pop_back();
    bool isRoot = parsed.components.empty();
    std::string folder;
    if (!ToHostPath(FormatWinPath(parsed, false), folder)) return false;
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        SetError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    while (dirent* entry = readdir(dir)) {
        std::wstring name = Utf8ToWide(entry->d_name);
        bool dots = name == L"." || name == L"..";
        if (dots && isRoot) continue;
        if (!MatchesPattern(namePattern, name)) continue;
        std::string full =
            folder == "/" ? "/" + std::string(entry->d_name) : folder + "/" + entry->d_name;
        struct stat st;
        if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) continue;
        DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
        out.push_back(
            {name, attributes, TimesOf(full, st), uint64_t(S_ISDIR(st.st_mode) ? 0 : st.st_size)});
    }
    closedir(dir);
    if (out.empty()) {
        SetError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

template <class Data>
void FillCommon(const Found& f, Data* data) {
    data->dwFileAttributes = f.attributes;
    data->ftCreationTime = f.times.creation;
    data->ftLastAccessTime = f.times.access;
    data->ftLastWriteTime = f.times.write;
    data->nFileSizeHigh = DWORD(f.size >> 32);
    data->nFileSizeLow = DWORD(f.size & 0xFFFFFFFFu);
    data->dwReserved0 = data->dwReserved1 = 0;
    data->cAlternateFileName[0] = 0;
}

void Fill(const Found& f, WIN32_FIND_DATAW* data) {
    FillCommon(f, data);
    std::wstring name = f.name.substr(0, MAX_PATH - 1);
    wcscpy(data->cFileName, name.c_str());
}

void Fill(const Found& f, WIN32_FIND_DATAA* data) {
    FillCommon(f, data);
    std::string name = WideToAnsi(f.name).substr(0, MAX_PATH - 1);
    strcpy(data->cFileName, name.c_str());
}

template <class Data>
HANDLE FindFirst(const std::wstring& pattern, Data* data) {
    auto find = std::make_shared<FindObject>();
    if (!Collect(pattern, find->entries)) return INVALID_HANDLE_VALUE;
    Fill(find->entries[0], data);
    find->next = 1;
    return AddHandle(find);
}

template <class Data>
BOOL FindNext(HANDLE handle, Data* data) {
    auto find = HandleAs<FindObject>(handle);
    if (!find) return FALSE;
    if (find->next >= find->entries.size()) {
        SetError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(find->entries[find->next++], data);
    return TRUE;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

HANDLE FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    if (!name || !data) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return FindFirst(name, data);
}

HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data) {
    if (!name || !data) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return FindFirst(AnsiToWide(name), data);
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
    return FindNext(handle, data);
}
BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
    return FindNext(handle, data);
}

BOOL FindClose(HANDLE handle) {
    if (!HandleAs<FindObject>(handle)) return FALSE;
    return CloseHandle(handle);
}
