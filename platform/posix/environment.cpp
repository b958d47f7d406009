// Environment variables with Windows names (matched without regard to case). PATH is shown in
// Windows form (folders separated by ";") and stored in host form, so that host programs started
// from here still find their tools; the Windows text last set is kept beside it to read back
// exactly.
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

extern char** environ;

namespace winlayer {
namespace {

const char kWindowsPathVariable[] = "OBJSTORE_WIN_PATH";

std::mutex& EnvMutex() {
    static std::mutex mutex;
    return mutex;
}

// Every Windows process has SystemRoot and windir; the host's environment gets them once.
void AddSystemVariables() {
    static std::once_flag once;
    std::call_once(once, [] {
        setenv("SystemRoot", "C:\\windows", 0);
        setenv("windir", "C:\\windows", 0);
    });
}

// Present from the start, also for code that reads them with getenv.
const bool kSystemVariablesAdded = (AddSystemVariables(), true);

// The host variable whose name matches without regard to case; "" when there is none.
std::string HostName(const std::string& name) {
    std::wstring wanted = Utf8ToWide(name);
    for (char** e = environ; *e; ++e) {
        const char* eq = strchr(*e, '=');
        if (!eq) continue;
        std::string candidate(*e, size_t(eq - *e));
        if (EqualsNoCase(Utf8ToWide(candidate), wanted)) return candidate;
    }
    return std::string();
}

bool IsPath(const std::wstring& name) {
    return EqualsNoCase(name, L"PATH");
}

std::string HostPathList(const std::wstring& windowsList) {
    std::string out;
    size_t start = 0;
    while (start <= windowsList.size()) {
        size_t end = windowsList.find(L';', start);
        if (end == std::wstring::npos) end = windowsList.size();
        std::string host;
        if (end > start && ToHostPath(windowsList.substr(start, end - start), host))
            out += (out.empty() ? "" : ":") + host;
        start = end + 1;
    }
    return out;
}

std::wstring WindowsPathList(const std::string& hostList) {
    std::wstring out;
    size_t start = 0;
    while (start <= hostList.size()) {
        size_t end = hostList.find(':', start);
        if (end == std::string::npos) end = hostList.size();
        if (end > start) {
            if (!out.empty()) out += L';';
            out += ToWindowsPath(hostList.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

bool Lookup(const std::wstring& name, std::wstring& value) {
    AddSystemVariables();
    std::lock_guard<std::mutex> lock(EnvMutex());
    std::string host = HostName(WideToUtf8(name));
    if (host.empty()) return false;
    const char* raw = getenv(host.c_str());
    if (!IsPath(name)) {
        value = Utf8ToWide(raw);
        return true;
    }
    const char* remembered = getenv(kWindowsPathVariable);
    if (remembered && HostPathList(Utf8ToWide(remembered)) == raw)
        value = Utf8ToWide(remembered);
    else
        value = WindowsPathList(raw);
    return true;
}

BOOL Assign(const std::wstring& name, const wchar_t* value) {
    AddSystemVariables();
    if (name.empty() || name.find(L'=') != std::wstring::npos) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(EnvMutex());
    std::string host = HostName(WideToUtf8(name));
    if (host.empty()) host = WideToUtf8(name);
    if (!value) {
        unsetenv(host.c_str());
        if (IsPath(name)) unsetenv(kWindowsPathVariable);
        return TRUE;
    }
    if (IsPath(name)) {
        setenv(host.c_str(), HostPathList(value).c_str(), 1);
        setenv(kWindowsPathVariable, WideToUtf8(value).c_str(), 1);
    } else {
        setenv(host.c_str(), WideToUtf8(value).c_str(), 1);
    }
    return TRUE;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    std::wstring value;
    if (!name || !Lookup(name, value)) {
        SetError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    SetError(ERROR_SUCCESS);
    return CopyOut(value, buffer, size);
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    std::wstring value;
    if (!name || !Lookup(AnsiToWide(name), value)) {
        SetError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    SetError(ERROR_SUCCESS);
    return CopyOut(WideToAnsi(value), buffer, size);
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
    return name ? Assign(name, value) : FALSE;
}
