// A stand-in for the product's main executable, also shipped as "OndrelDeskTrade.exe" in the
// sample release: writes what it was started with (command line, arguments, current folder) to
// launch-report.txt in its current folder, then stays running so that tests can find and end it,
// until stop-product.txt appears in that folder or ten minutes have passed (a test that failed
// before stopping it leaves no process behind for long).
#include <string>

#include "platform/win32.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

constexpr DWORD kLongestRunMs = 10 * 60 * 1000;
constexpr DWORD kStopCheckMs = 100;

void RunUntilStopped() {
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < kLongestRunMs) {
        if (GetFileAttributesW(L"stop-product.txt") != INVALID_FILE_ATTRIBUTES) return;
        Sleep(kStopCheckMs);
    }
}

}  // namespace

int main() {
    std::wstring line = GetCommandLineW();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::string report = "cmdline=" + Utf8(line) + "\n";
    for (int i = 1; i < argc; ++i) report += "arg=" + Utf8(argv[i]) + "\n";
    report += "cwd=" + Utf8(folder) + "\n";
    LocalFree(argv);
    HANDLE file = CreateFileW(L"launch-report.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, report.data(), DWORD(report.size()), &written, nullptr);
        CloseHandle(file);
    }
    RunUntilStopped();
    return 0;
}
