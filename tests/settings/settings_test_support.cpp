#include "settings_test_support.h"

#include <vector>

#include "win_test_support.h"

#ifndef _WIN32
#include "platform/posix/string_resources.h"
#endif

namespace settingstest {

void UseTestStrings() {
#ifndef _WIN32
    RegisterStringResource(103, TEST_PACKAGE_CODE);
    RegisterStringResource(104, TEST_BRAND_SIMPLIFIED);
    RegisterStringResource(105, TEST_BRAND_TRADITIONAL);
    RegisterStringResource(106, TEST_BRAND_LATIN);
    RegisterStringResource(107, TEST_ENDPOINT);
    RegisterStringResource(108, TEST_COMPANY);
#endif
}

namespace {
std::string Encode(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}
}  // namespace

std::string AnsiText(const std::wstring& text) {
    return Encode(CP_ACP, text);
}

std::string Text936(const std::wstring& text) {
    return Encode(936, text);
}

std::string ProfileValue(const std::string& file, const char* section, const char* key) {
    char value[260] = {};
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
    return value;
}

bool SetMachineSetting(const char* section, const char* key, const char* value) {
#ifdef _WIN32
    (void)section;
    (void)key;
    (void)value;
    return false;
#else
    char root[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("OBJSTORE_SYSROOT", root, MAX_PATH)) return false;
    std::string settings = wintest::WindowsPathOfHost(root) + "\\settings.ini";
    return WritePrivateProfileStringA(section, key, value, settings.c_str()) != FALSE;
#endif
}

}  // namespace settingstest
