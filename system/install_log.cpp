#include "system/install_log.h"

#include <mutex>

#include "system/file_helpers.h"
#include "system/product_settings.h"

FILE* InstallLogFile = nullptr;

namespace {
// The worker and the dialog reach the log from two threads; their order keeps them apart, and
// this lock keeps a close from meeting a write when that order breaks (closing during a run).
std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}
}  // namespace

std::string InstallLogFileName(const SYSTEMTIME& start) {
    char name[64];
    snprintf(name, sizeof name, "%02d%02d%02d%03dinstall.log", start.wHour, start.wMinute,
             start.wSecond, start.wMilliseconds);
    return name;
}

std::string FormatLogLine(const SYSTEMTIME& now, const std::string& text) {
    char prefix[32];
    snprintf(prefix, sizeof prefix, "[%02d:%02d:%02d %03d]\t\t", now.wHour, now.wMinute,
             now.wSecond, now.wMilliseconds);
    return prefix + text + "\r\n";
}

void OpenInstallLog() {
    SYSTEMTIME start;
    GetLocalTime(&start);
    std::string path = ProductSettings::Instance().logDir + "\\" + InstallLogFileName(start);
    MakeDirs(path.c_str());
    std::lock_guard<std::mutex> lock(LogMutex());
    if (InstallLogFile) fclose(InstallLogFile);  // one log per attempt
    InstallLogFile = _fsopen(path.c_str(), "wb", _SH_DENYNO);
    if (InstallLogFile) {
        fwrite("\xEF\xBB\xBF", 1, 3, InstallLogFile);
        fflush(InstallLogFile);
    }
}

void WriteLogLine(const char* text) {
    std::lock_guard<std::mutex> lock(LogMutex());
    if (!InstallLogFile || !text) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogLine(now, text);
    fwrite(line.data(), 1, line.size(), InstallLogFile);
    fflush(InstallLogFile);
}

void CloseInstallLog() {
    std::lock_guard<std::mutex> lock(LogMutex());
    if (!InstallLogFile) return;
    fclose(InstallLogFile);
    InstallLogFile = nullptr;
}
