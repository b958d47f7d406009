#include "win_test_support.h"

#include <cstdlib>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#endif

#ifndef _WIN32
#include <filesystem>

namespace {
// Natively every test process gets a system root of its own (unless one is chosen), so that tests
// running side by side never share the emulated machine and nothing lands in $HOME.
struct ProcessSystemRoot {
    std::string path;
    ProcessSystemRoot() {
        if (getenv("OBJSTORE_SYSROOT")) return;
        char name[] = "/tmp/objstore-wintest-root-XXXXXX";
        if (!mkdtemp(name)) return;
        path = name;
        setenv("OBJSTORE_SYSROOT", path.c_str(), 1);
    }
    ~ProcessSystemRoot() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
} processSystemRoot;
}  // namespace
#endif

namespace wintest {

bool UnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), int(utf8.size()), &out[0], n);
    return out;
}

TempFolder::TempFolder() {
    static int counter = 0;
    DWORD pid = GetCurrentProcessId();
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
        std::string name = "objstore-wintest-" + std::to_string(pid) + "-" +
                           std::to_string(++counter) + "-" + std::to_string(GetTickCount());
        std::string candidate = "Z:\\tmp\\" + name;
#ifndef _WIN32
        // The layer's system root lives inside the folder, so set it before the first call.
        const char* previous = getenv("OBJSTORE_SYSROOT");
        previousRoot_ = previous ? previous : "";
        sysroot_ = "/tmp/" + name + "-sysroot";
        setenv("OBJSTORE_SYSROOT", sysroot_.c_str(), 1);
        if (CreateDirectoryA(candidate.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            path_ = candidate;
#else
        if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
#endif
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) RemoveTree(path_);
#ifndef _WIN32
    if (!sysroot_.empty()) {
        RemoveTree(WindowsPathOfHost(sysroot_));
        if (previousRoot_.empty())
            unsetenv("OBJSTORE_SYSROOT");
        else
            setenv("OBJSTORE_SYSROOT", previousRoot_.c_str(), 1);
    }
#endif
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

static std::string ReadHandle(HANDLE file) {
    std::string bytes;
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::string ReadBytes(const std::wstring& path) {
    return ReadHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string ReadBytes(const std::string& path) {
    return ReadHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
    std::vector<char> from(path.begin(), path.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

std::string HostPathOf(const std::wstring& windowsPath) {
#ifdef _WIN32
    typedef char*(__cdecl * UnixName)(const wchar_t*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    char* name = toUnix(windowsPath.c_str());
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
#else
    std::string narrow;
    int n = WideCharToMultiByte(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0, nullptr, nullptr);
    narrow.resize(size_t(n));
    WideCharToMultiByte(CP_ACP, 0, windowsPath.c_str(), -1, &narrow[0], n, nullptr, nullptr);
    return HostFilePath(narrow.c_str());
#endif
}

std::string WindowsPathOfHost(const std::string& hostPath) {
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool RunHostShell(const std::string& command, std::string& output, const TempFolder& scratch,
                  bool inheritHandles) {
    std::string outFile = scratch / "shell-output.txt", codeFile = scratch / "shell-code.txt";
    std::string hostOut = HostPathOf(Wide(outFile)), hostCode = HostPathOf(Wide(codeFile));
    DeleteFileA(codeFile.c_str());
    // The exit code comes back in a file: Wine gives no usable process handle for a host
    // program, so the end is seen by that file appearing (written aside, then renamed).
    std::string script = "(" + command + ") > '" + hostOut + "' 2>&1; echo $? > '" + hostCode +
                         ".new'; mv '" + hostCode + ".new' '" + hostCode + "'";
    // UTF-8 text travels as UTF-16 so that no code page is involved.
    std::wstring line = Wide("Z:\\bin\\sh -c \"" + script + "\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, 0,
                        nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::string code;
    for (int i = 0; i < 1200 && code.empty(); ++i) {
        code = ReadBytes(codeFile);
        if (code.empty()) Sleep(50);
    }
    output = ReadBytes(outFile);
    return code == "0\n";
}

}  // namespace wintest
