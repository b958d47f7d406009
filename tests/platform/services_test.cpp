// Code pages, environment, profile strings, registry, modules, sessions and string resources.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "win_test_support.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

using wintest::TempFolder;

namespace {
const char kChinese936[] = "\xD6\xD0\xCE\xC4";  // 中文 in code page 936
const char kChinese950[] = "\xA4\xA4\xA4\xE5";  // 中文 in code page 950
const char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";
}  // namespace

TEST(WinCodePages, ConvertThroughUtf16WithTheWindowsBufferRules) {
    for (UINT cp : {936u, 950u, unsigned(CP_UTF8)}) {
        const char* text = cp == 936 ? kChinese936 : cp == 950 ? kChinese950 : kChineseUtf8;
        wchar_t wide[8] = {};
        EXPECT_EQ(MultiByteToWideChar(cp, 0, text, -1, nullptr, 0), 3) << cp;
        ASSERT_EQ(MultiByteToWideChar(cp, 0, text, -1, wide, 8), 3) << cp;
        EXPECT_EQ(wide[0], wchar_t(0x4E2D));
        EXPECT_EQ(wide[1], wchar_t(0x6587));
        char back[8] = {};
        ASSERT_EQ(WideCharToMultiByte(cp, 0, wide, -1, back, 8, nullptr, nullptr),
                  int(strlen(text) + 1));
        EXPECT_STREQ(back, text);
        // Too small: nothing, and the insufficient-buffer error.
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(cp, 0, text, -1, wide, 2), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(cp, 0, wide, -1, back, 3, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    }
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(WinEnvironment, NamesIgnoreCaseAndPathKeepsItsText) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"ObjstoreTestVar", L"value"));
    wchar_t buffer[64];
    EXPECT_EQ(GetEnvironmentVariableW(L"OBJSTORETESTVAR", buffer, 64), 5u);
    EXPECT_STREQ(buffer, L"value");
    EXPECT_EQ(GetEnvironmentVariableW(L"objstoretestvar", buffer, 3), 6u);  // size with NUL
    ASSERT_TRUE(SetEnvironmentVariableW(L"ObjstoreTestVar", nullptr));
    EXPECT_EQ(GetEnvironmentVariableW(L"ObjstoreTestVar", buffer, 64), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));

    char root[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("SystemRoot", root, MAX_PATH), 0u);
    std::wstring path(32768, L'\0');
    DWORD n = GetEnvironmentVariableW(L"path", &path[0], 32768);
    ASSERT_GT(n, 0u);
    path.resize(n);
    std::wstring fixed = path + L";" + wintest::Wide(root) + L"\\system32;";
    ASSERT_TRUE(SetEnvironmentVariableW(L"Path", fixed.c_str()));
    std::wstring read(32768, L'\0');
    read.resize(GetEnvironmentVariableW(L"PATH", &read[0], 32768));
    EXPECT_EQ(read, fixed);
    SetEnvironmentVariableW(L"Path", path.c_str());
}

TEST(WinProfile, SectionsAndKeysIgnoreCaseAndOtherContentStays) {
    TempFolder dir;
    std::string file = dir / "sub.ini";
    ASSERT_TRUE(wintest::WriteBytes(
        file, "; comment\r\n[Version]\r\nCur = abc \r\n\r\n[other]\r\nx=1\r\n"));
    char buffer[101];
    EXPECT_EQ(GetPrivateProfileStringA("VERSION", "cur", "", buffer, 101, file.c_str()), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetPrivateProfileStringA("version", "missing", "dflt", buffer, 101, file.c_str()),
              4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(GetPrivateProfileStringA("version", "cur", "", buffer, 3, file.c_str()), 2u);
    EXPECT_STREQ(buffer, "ab");

    ASSERT_TRUE(WritePrivateProfileStringA("version", "quant", "", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("VERSION", "CUR", "def", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("cfgstamp", "time", "-5", file.c_str()));
    EXPECT_EQ(GetPrivateProfileStringA("version", "cur", "", buffer, 101, file.c_str()), 3u);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(GetPrivateProfileStringA("version", "quant", "x", buffer, 101, file.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("CfgStamp", "Time", "", buffer, 101, file.c_str()), 2u);
    EXPECT_STREQ(buffer, "-5");
    EXPECT_EQ(GetPrivateProfileStringA("other", "x", "", buffer, 101, file.c_str()), 1u);
    std::string text = wintest::ReadBytes(file);
    EXPECT_NE(text.find("; comment"), std::string::npos);

    std::string fresh = dir / "new.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("tallowind", "package", "123456", fresh.c_str()));
    EXPECT_EQ(GetPrivateProfileStringA("Tallowind", "Package", "", buffer, 101, fresh.c_str()), 6u);
}

TEST(WinRegistry, ValuesWrittenNarrowAndWideReadBackAsText) {
    std::string keyPath = "Software\\objstore-layer-test-" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, keyPath.c_str(), &key), ERROR_SUCCESS);
    const char narrow[] = "C:\\Program Files\\x";
    ASSERT_EQ(RegSetValueExA(key, "Narrow", 0, REG_SZ, reinterpret_cast<const BYTE*>(narrow),
                             DWORD(strlen(narrow))),
              ERROR_SUCCESS);
    const wchar_t wide[] = L"\u4E2D\u6587v8.5";
    ASSERT_EQ(RegSetValueExW(key, L"Wide", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide),
                             DWORD(wcslen(wide) * sizeof(WCHAR))),
              ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (keyPath + "\\").c_str(), 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    for (const auto& expected : {std::wstring(L"C:\\Program Files\\x"), std::wstring(wide)}) {
        const wchar_t* name = expected == wide ? L"Wide" : L"Narrow";
        DWORD type = 0, size = 0;
        ASSERT_EQ(RegQueryValueExW(key, name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(size, (expected.size() + 1) * sizeof(WCHAR)) << "the missing NUL is added";
        std::wstring text(size / sizeof(WCHAR) + 1, L'\0');
        ASSERT_EQ(
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size),
            ERROR_SUCCESS);
        EXPECT_EQ(std::wstring(text.c_str()), expected);
    }
    DWORD size = 2;
    BYTE small[2];
    EXPECT_EQ(RegQueryValueExW(key, L"Wide", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(RegQueryValueExW(key, L"Absent", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (keyPath + "\\none").c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST(WinModules, NativeSystemInfoIsFoundInKernel32) {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    ASSERT_NE(kernel, nullptr);
    FARPROC proc = GetProcAddress(kernel, "GetNativeSystemInfo");
    ASSERT_NE(proc, nullptr);
    typedef void(WINAPI * Fn)(LPSYSTEM_INFO);
    SYSTEM_INFO info = {};
    reinterpret_cast<Fn>(reinterpret_cast<void*>(proc))(&info);
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(GetProcAddress(kernel, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
}

TEST(WinSessions, ConsoleUserAndShellAccount) {
    TempFolder dir;  // natively: a fresh system root
    DWORD session = WTSGetActiveConsoleSessionId();
    LPSTR name = nullptr;
    DWORD bytes = 0;
    ASSERT_TRUE(WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name,
                                            &bytes));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(bytes, strlen(name) + 1);
    std::string consoleUser = name;
    WTSFreeMemory(name);
    if (wintest::UnderWine()) {
        EXPECT_FALSE(consoleUser.empty());
        return;
    }
#ifndef _WIN32
    // Natively no one is logged on and there is no shell until the test gives them.
    EXPECT_EQ(consoleUser, "");
    EXPECT_EQ(GetShellWindow(), nullptr);
    winlayer::test::SetConsoleUser("alice");
    ASSERT_TRUE(WTSQuerySessionInformationA(
        WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(), WTSUserName, &name, &bytes));
    EXPECT_STREQ(name, "alice");
    WTSFreeMemory(name);
    winlayer::test::ClearConsoleUser();
    // The shell's account has no in-process setter: the settings file gives it.
    char root[MAX_PATH];
    GetEnvironmentVariableA("OBJSTORE_SYSROOT", root, MAX_PATH);
    std::string settings = wintest::WindowsPathOfHost(root) + "\\settings.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("shell", "account", "bob", settings.c_str()));
#endif
    HWND shell = GetShellWindow();
    ASSERT_NE(shell, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(shell, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    ASSERT_NE(process, nullptr);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(process, TOKEN_QUERY, &token));
    DWORD length = 0;
    EXPECT_FALSE(GetTokenInformation(token, TokenUser, nullptr, 0, &length));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> user(length);
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user.data(), length, &length));
    char account[260], domain[260];
    DWORD accountSize = 260, domainSize = 260;
    SID_NAME_USE use;
    ASSERT_TRUE(LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                  account, &accountSize, domain, &domainSize, &use));
    EXPECT_STREQ(account, "bob");
    CloseHandle(token);
    CloseHandle(process);
}

#ifndef _WIN32
#include "platform/posix/string_resources.h"
#endif

TEST(WinResources, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
    char buffer[8] = "x";
    EXPECT_EQ(LoadStringA(GetModuleHandleW(nullptr), 64999, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
#ifndef _WIN32
    RegisterStringResource(103, L"123456789");
    EXPECT_EQ(LoadStringA(GetModuleHandleW(nullptr), 103, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "1234567");
    RegisterStringResource(104, L"\u6D4B\u8BD5");
    char name[260];
    EXPECT_EQ(LoadStringA(GetModuleHandleW(nullptr), 104, name, sizeof name), 4);
    EXPECT_STREQ(name, "\xB2\xE2\xCA\xD4");  // in code page 936
#endif
    WORD language = GetUserDefaultUILanguage();
    EXPECT_NE(language, 0);
}
