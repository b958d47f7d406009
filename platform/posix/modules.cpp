// Modules: the program itself and the system libraries whose functions the installer looks up
// at run time (GetModuleHandle / LoadLibrary / GetProcAddress), and system information.
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/modules.h"
#include "platform/posix/processes.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {

void OfferShcore();  // screens.cpp

namespace {

const uintptr_t kMainModule = 0x400000;

struct ModuleTable {
    std::mutex mutex;
    std::map<std::wstring, uintptr_t> handles;  // upper-case base name
    std::map<uintptr_t, std::map<std::string, FARPROC>> exports;
    std::set<std::wstring> unavailable;  // upper-case base names
    uintptr_t next = 0x7FF000000000;
};

ModuleTable& Modules() {
    static ModuleTable* table = [] {
        auto* t = new ModuleTable;
        t->handles[L"KERNEL32"] = t->next;
        auto& k = t->exports[t->next];
        k["GetNativeSystemInfo"] =
            reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&GetNativeSystemInfo));
        t->next += 0x1000000;
        return t;
    }();
    return *table;
}

// "C:\windows\system32\KERNEL32.dll" and "kernel32" name the same module.
std::wstring BaseName(const std::wstring& name) {
    std::wstring base = name.substr(
        name.find_last_of(L"\\/") == std::wstring::npos ? 0 : name.find_last_of(L"\\/") + 1);
    std::wstring upper = ToUpperWide(base);
    if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, L".DLL") == 0)
        upper.resize(upper.size() - 4);
    return upper;
}

HMODULE Find(const std::wstring& name) {
    static std::once_flag offered;
    std::call_once(offered, OfferShcore);
    ModuleTable& t = Modules();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.handles.find(BaseName(name));
    if (it == t.handles.end() || t.unavailable.count(it->first)) {
        SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(it->second);
}

WORD HostArchitecture() {
    utsname u;
    if (uname(&u) != 0) return PROCESSOR_ARCHITECTURE_UNKNOWN;
    if (!strcmp(u.machine, "x86_64")) return PROCESSOR_ARCHITECTURE_AMD64;
    if (!strcmp(u.machine, "aarch64")) return PROCESSOR_ARCHITECTURE_ARM64;
    if (!strncmp(u.machine, "arm", 3)) return PROCESSOR_ARCHITECTURE_ARM;
    if (u.machine[0] == 'i' && !strcmp(u.machine + 2, "86")) return PROCESSOR_ARCHITECTURE_INTEL;
    return PROCESSOR_ARCHITECTURE_UNKNOWN;
}

}  // namespace

// Lets other parts of the layer offer functions of further system libraries.
void RegisterExport(const std::wstring& module, const char* name, FARPROC proc) {
    ModuleTable& t = Modules();
    std::lock_guard<std::mutex> lock(t.mutex);
    std::wstring base = BaseName(module);
    auto it = t.handles.find(base);
    if (it == t.handles.end()) {
        it = t.handles.emplace(base, t.next).first;
        t.next += 0x1000000;
    }
    t.exports[it->second][name] = proc;
}

void SetModuleAvailable(const std::wstring& module, bool available) {
    ModuleTable& t = Modules();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (available)
        t.unavailable.erase(BaseName(module));
    else
        t.unavailable.insert(BaseName(module));
}

}  // namespace winlayer

using namespace winlayer;

HMODULE GetModuleHandleW(LPCWSTR name) {
    if (!name) return reinterpret_cast<HMODULE>(kMainModule);
    return Find(name);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    return name ? Find(AnsiToWide(name)) : reinterpret_cast<HMODULE>(kMainModule);
}

HMODULE LoadLibraryW(LPCWSTR name) {
    if (!name) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Find(name);
}

BOOL FreeLibrary(HMODULE module) {
    return module ? TRUE : FALSE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    ModuleTable& t = Modules();
    if (name && !strcmp(name, "GetNativeSystemInfo") &&
        Setting("machine", "hide_native_system_info") == "1") {
        SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(t.mutex);
    auto m = t.exports.find(reinterpret_cast<uintptr_t>(module));
    if (m == t.exports.end()) {
        SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto f = name ? m->second.find(name) : m->second.end();
    if (f == m->second.end()) {
        SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return f->second;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if (module && module != reinterpret_cast<HMODULE>(kMainModule)) {
        SetError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::wstring path = ExecutablePathOf(getpid());
    if (size == 0) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > size) {  // cut, as Windows does
        wmemcpy(buffer, path.c_str(), size - 1);
        buffer[size - 1] = 0;
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    wcscpy(buffer, path.c_str());
    return DWORD(path.size());
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    wchar_t wide[32768];
    DWORD n = GetModuleFileNameW(module, wide, 32768);
    if (n == 0) return 0;
    std::string path = WideToAnsi(wide);
    if (size == 0) return 0;
    if (path.size() + 1 > size) {
        memcpy(buffer, path.c_str(), size - 1);
        buffer[size - 1] = 0;
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    strcpy(buffer, path.c_str());
    return DWORD(path.size());
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) {
    memset(info, 0, sizeof *info);
    std::string forced = Setting("machine", "processor_architecture");
    info->wProcessorArchitecture = forced.empty() ? HostArchitecture() : WORD(std::stoi(forced));
    info->dwPageSize = DWORD(sysconf(_SC_PAGESIZE));
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFEFFFFull);
    long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = DWORD(cpus > 0 ? cpus : 1);
    info->dwActiveProcessorMask =
        info->dwNumberOfProcessors >= 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << cpus) - 1;
    info->dwProcessorType = info->wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? 8664 : 0;
    info->dwAllocationGranularity = 65536;
    info->wProcessorLevel = 6;
}
