#include "system/product_process.h"

#include <vector>

#include "system/product_names.h"
#include "system/product_settings.h"
#include "system/text_convert.h"

namespace {

// Path of a process's program: the first module of its module snapshot.
bool ProgramPathOf(DWORD processId, std::wstring& path) {
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (modules == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof module;
    bool ok = Module32FirstW(modules, &module) != FALSE;
    if (ok) path = module.szExePath;
    CloseHandle(modules);
    return ok;
}

}  // namespace

DWORD FindRunningProcess(const std::wstring& executableName, const std::wstring& expectedPath) {
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE) return 0;
    DWORD found = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(processes, &entry); more && !found;
         more = Process32NextW(processes, &entry)) {
        if (_wcsicmp(entry.szExeFile, executableName.c_str()) != 0) continue;
        std::wstring program;
        if (ProgramPathOf(entry.th32ProcessID, program) && program == expectedPath)
            found = entry.th32ProcessID;
    }
    CloseHandle(processes);
    return found;
}

void TerminateRunningProduct(const wchar_t* executableName) {
    if (!executableName) return;
    std::wstring expected =
        NarrowToWide(kPathCodePage, ProductSettings::Instance().installDir, 2046) + L"\\" +
        executableName;
    DWORD processId = FindRunningProcess(executableName, expected);
    if (!processId) return;
    // SYNCHRONIZE as well: without it the wait below could not wait.
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    Sleep(2500);
}

std::string ProductCommandLine(const std::string& installDir) {
    return "\"" + installDir + "\\" + kProductExecutable + "\" end";
}

bool LaunchProduct() {
    const std::string& installDir = ProductSettings::Instance().installDir;
    std::wstring commandLine = NarrowToWide(kPathCodePage, ProductCommandLine(installDir), 2048);
    std::wstring folder = NarrowToWide(kPathCodePage, installDir, 2048);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info);
    if (!started) return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}
