// Windows paths on the host: drive letters map to <root>/drive_<letter> (Z: is the host root when
// there is no drive_z), separators may be "\" or "/", existing names are found without regard to
// case, and "." and ".." are resolved before the file system is asked.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void AppendComponents(const std::wstring& text, size_t from, WinPath& path) {
    size_t i = from;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !IsSeparator(text[i])) ++i;
        std::wstring part = text.substr(start, i - start);
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            if (!path.components.empty()) path.components.pop_back();
            continue;
        }
        path.components.push_back(part);
    }
}

std::string HostCwd() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

std::string JoinHost(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// Normalises an absolute host path textually (no symlink resolution).
std::string NormalHost(const std::string& path) {
    std::string abs = path.empty() || path[0] != '/' ? HostCwd() + "/" + path : path;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < abs.size()) {
        while (i < abs.size() && abs[i] == '/') ++i;
        size_t start = i;
        while (i < abs.size() && abs[i] != '/') ++i;
        std::string part = abs.substr(start, i - start);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// Length of the host root prefix when path lies under root (on a component boundary), else -1.
long PrefixLength(const std::string& path, const std::string& root) {
    if (root.empty()) return -1;
    if (root == "/") return 0;
    if (path.compare(0, root.size(), root) != 0) return -1;
    if (path.size() > root.size() && path[root.size()] != '/') return -1;
    return long(root.size());
}

}  // namespace

bool ParseFullPath(const std::wstring& input, WinPath& out) {
    out = WinPath();
    std::wstring path = input;
    if (path.compare(0, 4, L"\\\\?\\") == 0) path = path.substr(4);
    if (path.empty()) return false;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return false;  // UNC
    WinPath cwd;
    auto currentFolder = [&cwd]() -> WinPath& {
        std::wstring cwdText = ToWindowsPath(HostCwd());
        cwd.drive = towupper(cwdText[0]);
        AppendComponents(cwdText, 2, cwd);
        return cwd;
    };
    size_t rest = 0;
    if (path.size() >= 2 && path[1] == L':' && iswalpha(path[0])) {
        out.drive = wchar_t(towupper(path[0]));
        rest = 2;
        if (path.size() > 2 && !IsSeparator(path[2])) {
            WinPath& c = currentFolder();
            if (c.drive == out.drive) out.components = c.components;
        }
    } else if (IsSeparator(path[0])) {
        out.drive = currentFolder().drive;
    } else {
        WinPath& c = currentFolder();
        out.drive = c.drive;
        out.components = c.components;
    }
    AppendComponents(path, rest, out);
    out.trailingSeparator = IsSeparator(path.back()) && !out.components.empty();
    return true;
}

std::wstring FormatWinPath(const WinPath& path, bool keepTrailing) {
    std::wstring text;
    text += path.drive;
    text += L":\\";
    for (size_t i = 0; i < path.components.size(); ++i) {
        if (i) text += L'\\';
        text += path.components[i];
    }
    if (keepTrailing && path.trailingSeparator) text += L'\\';
    return text;
}

std::wstring FullWindowsPath(const std::wstring& path) {
    WinPath parsed;
    if (!ParseFullPath(path, parsed)) return std::wstring();
    return FormatWinPath(parsed);
}

std::string DriveHostRoot(wchar_t drive) {
    drive = wchar_t(towlower(drive));
    if (drive < L'a' || drive > L'z') return std::string();
    std::string folder = SystemRootDir() + "/drive_" + char(drive);
    if (IsDirectory(folder)) return folder;
    if (drive == L'z') return "/";
    return std::string();
}

bool ToHostPath(const std::wstring& windowsPath, std::string& hostPath) {
    WinPath parsed;
    if (!ParseFullPath(windowsPath, parsed)) {
        SetError(windowsPath.empty() ? ERROR_PATH_NOT_FOUND : ERROR_BAD_PATHNAME);
        return false;
    }
    std::string current = DriveHostRoot(parsed.drive);
    if (current.empty()) {
        SetError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool existing = true;  // whether `current` exists, so that its entries can be searched
    for (const auto& component : parsed.components) {
        std::string name = WideToUtf8(component);
        std::string exact = JoinHost(current, name);
        struct stat st;
        if (!existing || lstat(exact.c_str(), &st) == 0) {
            current = exact;
            continue;
        }
        std::string found;
        if (DIR* dir = opendir(current.c_str())) {
            while (dirent* entry = readdir(dir)) {
                if (EqualsNoCase(Utf8ToWide(entry->d_name), component)) {
                    found = entry->d_name;
                    break;
                }
            }
            closedir(dir);
        }
        if (found.empty()) {
            existing = false;
            current = exact;
        } else {
            current = JoinHost(current, found);
        }
    }
    // "C:\\dir\\" names a folder: keeping the slash makes a file of that name fail as on Windows.
    if (parsed.trailingSeparator && current != "/") current += "/";
    hostPath = current;
    return true;
}

bool ToHostPathA(const char* windowsPath, std::string& hostPath) {
    if (!windowsPath) {
        SetError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return ToHostPath(AnsiToWide(windowsPath), hostPath);
}

std::wstring ToWindowsPath(const std::string& hostPath) {
    std::string literal = NormalHost(hostPath);
    std::string real = RealPath(literal);
    wchar_t bestDrive = L'Z';
    long bestLength = 0;
    std::string bestPath = literal;
    std::string root = SystemRootDir();
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string folder = root + "/drive_" + letter;
        if (!IsDirectory(folder)) continue;
        std::string folderReal = RealPath(folder);
        const std::pair<const std::string*, const std::string*> tries[] = {
            {&literal, &folder}, {&literal, &folderReal}, {&real, &folderReal}};
        for (const auto& t : tries) {
            long length = PrefixLength(*t.first, *t.second);
            if (length > bestLength) {
                bestDrive = wchar_t(towupper(letter));
                bestLength = length;
                bestPath = *t.first;
            }
        }
    }
    std::string rest = bestPath.substr(size_t(bestLength));
    std::wstring text;
    text += bestDrive;
    text += L':';
    for (char& c : rest)
        if (c == '/') c = '\\';
    text += Utf8ToWide(rest.empty() ? "\\" : rest);
    return text;
}

DWORD MissingPathError(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
    return IsDirectory(parent) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace winlayer

using namespace winlayer;

std::string HostFilePath(const std::string& windowsPath) {
    std::string host;
    if (ToHostPathA(windowsPath.c_str(), host)) return host;
    std::string fallback = windowsPath;
    for (char& c : fallback)
        if (c == '\\') c = '/';
    return fallback;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (!fileName || !*fileName) {
        SetError(ERROR_INVALID_NAME);
        return 0;
    }
    WinPath parsed;
    if (!ParseFullPath(AnsiToWide(fileName), parsed)) {
        SetError(ERROR_BAD_PATHNAME);
        return 0;
    }
    std::string full = WideToAnsi(FormatWinPath(parsed));
    DWORD result = CopyOut(full, buffer, size);
    if (filePart && result == full.size()) {
        bool named = !parsed.components.empty() && !parsed.trailingSeparator;
        *filePart =
            named ? buffer + full.size() - WideToAnsi(parsed.components.back()).size() : nullptr;
    }
    return result;
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
    return CopyOut(ToWindowsPath(HostCwd()), buffer, size);
}
