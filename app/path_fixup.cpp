#include "app/path_fixup.h"

#include <vector>

#include "platform/win32.h"
#include "system/text_convert.h"

namespace {
constexpr size_t kConvertedChars = 1024;
}  // namespace

std::wstring PathWithSystemFolder(const std::wstring& path, const std::string& systemRoot) {
    std::wstring value = path;
    if (!value.empty() && value.back() != L';') value += L';';
    return value + NarrowToWide(kPathCodePage, systemRoot + "\\system32;", kConvertedChars);
}

void FixProcessPath() {
    std::vector<wchar_t> path(kPathBufferChars, L'\0');
    DWORD length = GetEnvironmentVariableW(L"path", path.data(), DWORD(path.size()));
    std::wstring current = length < path.size() ? std::wstring(path.data(), length) : L"";
    DWORD rootLength = GetEnvironmentVariableA("SystemRoot", nullptr, 0);
    if (rootLength == 0) return;
    std::string root(rootLength, '\0');
    rootLength = GetEnvironmentVariableA("SystemRoot", &root[0], rootLength);
    root.resize(rootLength);
    SetEnvironmentVariableW(L"Path", PathWithSystemFolder(current, root).c_str());
}
