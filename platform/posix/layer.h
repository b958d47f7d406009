// Internal helpers shared by the native layer's sources: errors, text conversion, the system root,
// path mapping and the handle table. Not for code outside platform/.
#pragma once

#include <sys/types.h>
#include <memory>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/win32_functions.h"

namespace winlayer {

// ---- errors ----
void SetError(DWORD code);
DWORD ErrorFromErrno(int err);

// Faults that tests switch on to reach the layer's fallback paths: OBJSTORE_LAYER_TEST_FAULTS holds
// a comma-separated list of names ("no-pidfd", "no-close-range").
bool TestFault(const char* name);

// ---- text: wide strings hold UTF-16 code units in wchar_t ----
constexpr UINT kAnsiCodePage = 936;
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring AnsiToWide(const char* text);  // null gives empty
std::string WideToAnsi(const std::wstring& text);
std::wstring ToUpperWide(const std::wstring& text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
std::wstring WideOrEmpty(const wchar_t* text);

// Copies text plus NUL into buffer of size units. Returns the text length when it fits, otherwise
// the size needed including the NUL (the usual "buffer too small" answer of the path functions).
DWORD CopyOut(const std::wstring& text, wchar_t* buffer, DWORD size);
DWORD CopyOut(const std::string& text, char* buffer, DWORD size);

// ---- the system root ----
std::string SystemRootDir();  // host folder, created with its skeleton on first use
std::string Setting(const std::string& section, const std::string& key,
                    const std::string& fallback = std::string());
bool HasSetting(const std::string& section, const std::string& key);
std::string RunningAccountName();

// ---- paths ----
struct WinPath {
    wchar_t drive = 0;                     // upper-case letter; 0 when the path is not absolute
    std::vector<std::wstring> components;  // after normalisation of "." and ".."
    bool trailingSeparator = false;
};
// Makes a Windows path absolute against the current folder and normalises it.
bool ParseFullPath(const std::wstring& path, WinPath& out);
std::wstring FormatWinPath(const WinPath& path, bool keepTrailing = true);
std::wstring FullWindowsPath(const std::wstring& path);

// Host folder of a drive letter ("" when the drive does not exist).
std::string DriveHostRoot(wchar_t drive);
// Maps a Windows path to a host path, following existing names without regard to case. Returns
// false (with the last error set) when the path cannot be mapped.
bool ToHostPath(const std::wstring& windowsPath, std::string& hostPath);
bool ToHostPathA(const char* windowsPath, std::string& hostPath);
// Maps a host path to the Windows path under which it is reached (a drive folder, else Z:).
std::wstring ToWindowsPath(const std::string& hostPath);

// Error for a failed lookup of hostPath: FILE_NOT_FOUND when its folder exists, else
// PATH_NOT_FOUND.
DWORD MissingPathError(const std::string& hostPath);

// ---- handles ----
struct Object {
    virtual ~Object() = default;
};
HANDLE AddHandle(std::shared_ptr<Object> object);
std::shared_ptr<Object> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object) SetError(ERROR_INVALID_HANDLE);
    return object;
}
bool RemoveHandle(HANDLE handle);

// Offers a function under a system library name for GetModuleHandle/LoadLibrary + GetProcAddress.
void RegisterExport(const std::wstring& module, const char* name, FARPROC proc);

// Objects that WaitForSingleObject can wait on.
struct Waitable : Object {
    // Returns true when signalled within timeoutMs (INFINITE waits for ever).
    virtual bool Wait(DWORD timeoutMs) = 0;
    // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (with the last error set).
    virtual DWORD WaitResult(DWORD timeoutMs) {
        return Wait(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
};

// Files that are the programs of running processes (cannot be deleted while they run).
std::set<std::pair<dev_t, ino_t>> RunningImages();

// Open files (used by CreateProcess for standard handles).
int FileDescriptorOf(HANDLE handle);

// ---- processes ----
std::wstring ExecutablePathOf(int pid);  // Windows path of a host process's program; "" if unknown
constexpr DWORD kShellProcessId = 0x7FFFFFF0u;  // the pretend shell process (settings [shell])
bool ProcessIdOf(HANDLE process, DWORD& pid);

}  // namespace winlayer
