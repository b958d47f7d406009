// xcopy.exe for the native layer: copies a file or a folder's files to a destination, with
// /S (subfolders that hold files), /E (empty subfolders too), /Y (overwrite without asking),
// /C (go on after errors), /I and /Q. Exit codes: 0 copied, 1 nothing found, 4 an error.
#include <cwctype>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "shim_command_line.h"

namespace {

struct Options {
    bool subfolders = false, empty = false, keepGoing = false, quiet = false;
};

struct Counts {
    int copied = 0, errors = 0;
};

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

void CreateFolders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == L'\\')
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
}

bool CopyOne(const std::wstring& from, const std::wstring& to, const Options& options,
             Counts& counts) {
    if (!options.quiet) wprintf(L"%ls\n", from.c_str());
    if (CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        ++counts.copied;
        return true;
    }
    ++counts.errors;
    fwprintf(stderr, L"%ls\n",
             GetLastError() == ERROR_ACCESS_DENIED ? L"Access denied" : L"File creation error");
    return options.keepGoing;
}

// Copies the folder's files and, with /S, its subfolders. Returns false to stop.
bool CopyFolder(const std::wstring& from, const std::wstring& to, const Options& options,
                Counts& counts) {
    std::vector<std::wstring> files, folders;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Join(from, L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? folders : files).push_back(name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    if (!files.empty() || options.empty) CreateFolders(to);
    for (const auto& f : files)
        if (!CopyOne(Join(from, f), Join(to, f), options, counts)) return false;
    if (!options.subfolders) return true;
    for (const auto& d : folders)
        if (!CopyFolder(Join(from, d), Join(to, d), options, counts)) return false;
    return true;
}

}  // namespace

int main() {
    Options options;
    std::vector<std::wstring> names;
    for (const auto& word : SplitWords(AfterProgramName(GetCommandLineW()))) {
        if (word.size() >= 2 && word[0] == L'/') {
            wchar_t s = wchar_t(towupper(word[1]));
            if (word.size() != 2 || !wcschr(L"SEYCIQ", s)) {
                fwprintf(stderr, L"Invalid switch - %ls\n", word.c_str());
                return 4;
            }
            options.subfolders |= s == L'S' || s == L'E';
            options.empty |= s == L'E';
            options.keepGoing |= s == L'C';
            options.quiet |= s == L'Q';
        } else {
            names.push_back(word);
        }
    }
    if (names.empty() || names.size() > 2) {
        fwprintf(stderr, L"Invalid number of parameters\n");
        return 4;
    }
    std::wstring source = names[0];
    wchar_t current[MAX_PATH];
    std::wstring destination =
        names.size() > 1 ? names[1]
                         : (GetCurrentDirectoryW(MAX_PATH, current), std::wstring(current));
    while (source.size() > 3 && source.back() == L'\\') source.pop_back();
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fwprintf(stderr, L"File not found - %ls\n", source.c_str());
        return 4;
    }
    Counts counts;
    if (IsFolder(source)) {
        CopyFolder(source, destination, options, counts);
    } else {
        std::wstring name = source.substr(source.find_last_of(L'\\') + 1);
        bool toFolder = destination.back() == L'\\' || IsFolder(destination);
        if (toFolder) CreateFolders(destination);
        CopyOne(source, toFolder ? Join(destination, name) : destination, options, counts);
    }
    wprintf(L"%d File(s) copied\n", counts.copied);
    if (counts.errors) return 4;
    return counts.copied ? 0 : 1;
}
