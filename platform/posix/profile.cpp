// Profile-string (ini) files through Windows paths.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"
#include "platform/posix/profile_text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

std::mutex& ProfileMutex() {
    static std::mutex mutex;
    return mutex;
}

// A bare file name lives in the Windows folder, as on Windows.
bool ProfileHostPath(const char* fileName, std::string& host) {
    std::string name = fileName ? fileName : "";
    if (name.find_first_of("\\/:") == std::string::npos) name = "C:\\windows\\" + name;
    return ToHostPathA(name.c_str(), host);
}

bool ReadAll(const std::string& host, std::string& content) {
    std::ifstream in(host, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    content = s.str();
    return true;
}

// Copies text into buffer with truncation; returns the number of characters copied.
DWORD CopyTruncated(const std::string& text, char* buffer, DWORD size) {
    DWORD n = DWORD(std::min<size_t>(text.size(), size - 1));
    memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return n;
}

// A double-NUL list of names; when it does not fit the result is cut and size - 2 is returned.
DWORD CopyList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    std::string list;
    for (const auto& n : names) list += n + '\0';
    if (list.size() + 1 <= size) {
        memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = 0;
        if (list.empty() && size > 1) buffer[1] = 0;
        return DWORD(list.size());
    }
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (!buffer || size == 0) return 0;
    std::string host, content;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    bool haveFile = ProfileHostPath(fileName, host) && ReadAll(host, content);
    if (!section) return CopyList(ProfileSections(content), buffer, size);
    if (!key) return CopyList(ProfileKeys(content, section), buffer, size);
    std::string value;
    if (haveFile && ProfileGet(content, section, key, value)) {
        SetError(ERROR_SUCCESS);
        return CopyTruncated(value, buffer, size);
    }
    std::string def = fallback ? fallback : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();
    SetError(haveFile ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    return CopyTruncated(def, buffer, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section || !fileName) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string host, content;
    if (!ProfileHostPath(fileName, host)) return FALSE;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    bool existed = ReadAll(host, content);
    std::string updated = ProfileSet(content, section, key, value);
    if (existed && updated == content) return TRUE;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out) {
        SetError(MissingPathError(host));
        return FALSE;
    }
    out << updated;
    out.close();
    if (!out) {
        SetError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}
