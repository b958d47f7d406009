// A child program for the layer's process tests, built on the layer in both builds:
//   layer_child sleep MS CODE MARKER   sleeps, creates MARKER, then ends with CODE
//   layer_child first-use              uses the system root from several threads at once; ends
//                                      with 0 when every call found the prepared machine
//   layer_child message-box TEXT       shows an OK/Cancel box with TEXT; ends with its answer
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

int SleepThenExit(DWORD ms, int code, const char* marker) {
    Sleep(ms);
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 100;
    CloseHandle(file);
    return code;
}

// What a program's first calls expect of a fresh root: the system folder and the uninstall key.
bool RootIsPrepared() {
    DWORD attributes = GetFileAttributesA("C:\\windows\\system32");
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int FirstUse() {
    const int kThreads = 8;
    std::vector<int> ok(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back([&ok, i] { ok[i] = RootIsPrepared(); });
    for (auto& t : threads) t.join();
    for (int v : ok)
        if (!v) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && !strcmp(argv[1], "sleep"))
        return SleepThenExit(DWORD(atoi(argv[2])), atoi(argv[3]), argv[4]);
    if (argc == 2 && !strcmp(argv[1], "first-use")) return FirstUse();
    if (argc == 3 && !strcmp(argv[1], "message-box"))
        return MessageBoxA(nullptr, argv[2], "child", MB_OKCANCEL);
    return 2;
}
