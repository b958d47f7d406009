#include "system/file_helpers.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {
const char kNoticeCaption[] = "\xCC\xE1\xCA\xBE";  // "提示" in code page 936
}

bool MakeDirs(const char* path) {
    if (!path) return false;
    size_t length = strlen(path);
    if (length >= MAX_PATH) return false;
    char prefix[MAX_PATH];
    for (size_t i = 0; i < length; ++i) {
        if (path[i] != '\\') continue;
        memcpy(prefix, path, i + 1);
        prefix[i + 1] = '\0';
        if (_access(prefix, 0) != 0 && _mkdir(prefix) != 0) {
            MessageBoxA(nullptr, prefix, kNoticeCaption, MB_OK);
            return false;
        }
    }
    return true;
}

namespace {

// Windows drops trailing dots and spaces from a name, so "...", ". " and ".. " mean "." or "..".
bool OnlyDotsAndSpaces(const std::string& part) {
    return part.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

std::string DeletablePath(const char* path) {
    if (!path) return std::string();
    std::string p = path;
    for (char& c : p)
        if (c == '/') c = '\\';
    bool drive = p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) &&
                 p[1] == ':' && p[2] == '\\';
    if (!drive || p.find_first_of("*?") != std::string::npos) return std::string();
    // Rebuilt from its names: "." and empty names (repeated separators) go, ".." is refused, and
    // what is left must name something below the drive root, never the root itself. A lead byte
    // of code page 936 takes the next byte with it, which may be 0x5C without being a separator.
    std::string result = p.substr(0, 3);
    size_t names = 0;
    std::string part;
    for (size_t i = 3; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != '\\') {
            part += p[i];
            if (uint8_t(p[i]) >= 0x81 && uint8_t(p[i]) <= 0xFE && i + 1 < p.size()) part += p[++i];
            continue;
        }
        if (part.empty() || part == ".") {
            part.clear();
            continue;
        }
        if (OnlyDotsAndSpaces(part) || part.find(':') != std::string::npos) return std::string();
        result += (names++ ? "\\" : "") + part;
        part.clear();
    }
    return names ? result : std::string();
}

bool DeletePath(const char* path) {
    std::string target = DeletablePath(path);
    if (target.empty()) return false;
    // The shell takes a list of names, each NUL-terminated, ended by a second NUL.
    std::vector<char> from(target.begin(), target.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.pTo = nullptr;
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationA(&op) == 0;
}

bool IsFolderEmpty(const char* folder) {
    if (!folder) return true;
    std::string pattern = std::string(folder) + "\\*";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return true;
    int folders = 0;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            ++folders;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return folders == 0;
}
