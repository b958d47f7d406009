#include "workflow/folder_swap.h"

#include <cstdio>

#include "platform/win32.h"
#include "system/file_helpers.h"
#include "system/install_log.h"
#include "system/text_convert.h"

namespace {

constexpr size_t kCommandLineSize = 1024;
constexpr int kMaxBackupCandidates = 99;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs the command hidden at idle priority and waits for it; false when it cannot be started.
bool RunHidden(const std::string& commandLine, unsigned long& exitCode) {
    std::string line = commandLine;  // CreateProcessA may write into its command line
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code)) code = 1;
    exitCode = code;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

void LogWithPath(const char* text, const std::string& path) {
    WriteLogLine((text + PathTextToUtf8(path)).c_str());
}

void PutOldInstallationBack(const FolderSwap& swap) {
    if (Exists(swap.install)) DeletePath(swap.install.c_str());
    if (!swap.setAside) return;
    if (!MoveFileA(swap.backup.c_str(), swap.install.c_str())) {
        LogWithPath("旧版本保留在:", swap.backup);
    }
}

}  // namespace

std::string CopyCommandLine(const std::string& staging, const std::string& install) {
    char line[kCommandLineSize] = {};
    int length = snprintf(line, sizeof line, "cmd.exe /c XCOPY \"%s\" \"%s\\\" /S /E /Y /C",
                          staging.c_str(), install.c_str());
    if (length < 0 || size_t(length) >= sizeof line) return "";
    return line;
}

FolderSwap MakeFolderSwap(const std::string& staging, const std::string& install) {
    FolderSwap swap;
    swap.staging = staging;
    swap.install = install;
    swap.copyCommand = CopyCommandLine(staging, install);
    return swap;
}

std::string FreeBackupFolder(const std::string& install) {
    for (int n = 1; n <= kMaxBackupCandidates; ++n) {
        std::string candidate = install + ".old" + (n == 1 ? "" : std::to_string(n));
        if (!Exists(candidate)) return candidate;
    }
    return "";
}

bool SetOldInstallationAside(FolderSwap& swap) {
    if (!Exists(swap.install)) return true;
    swap.backup = FreeBackupFolder(swap.install);
    if (swap.backup.empty() || !MoveFileA(swap.install.c_str(), swap.backup.c_str())) {
        char reason[64];
        snprintf(reason, sizeof reason, "旧版本无法移开,错误码:%lu,", static_cast<unsigned long>(GetLastError()));
        LogWithPath(reason, swap.install);
        return false;
    }
    swap.setAside = true;
    return true;
}

bool MoveNewVersionIn(FolderSwap& swap) {
    if (MoveFileA(swap.staging.c_str(), swap.install.c_str())) return true;
    bool ran = !swap.copyCommand.empty() && RunHidden(swap.copyCommand, swap.copyExitCode);
    swap.copied = ran && swap.copyExitCode == 0;
    if (swap.copied) return true;
    char reason[64];
    if (ran) {
        snprintf(reason, sizeof reason, "复制失败,退出码:%lu", swap.copyExitCode);
    } else {
        snprintf(reason, sizeof reason, "复制命令无法启动,错误码:%lu", static_cast<unsigned long>(GetLastError()));
    }
    WriteLogLine(reason);
    PutOldInstallationBack(swap);
    return false;
}

void DiscardOldInstallation(const FolderSwap& swap) {
    if (swap.copied) DeletePath(swap.staging.c_str());
    if (swap.setAside) DeletePath(swap.backup.c_str());
}
