// Process and module snapshots of the host's processes, with Windows paths: a program under a
// drive folder gets that drive's path, any other one its Z: path.
#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/paths.h"
#include "platform/posix/processes.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

struct Snapshot : Object {
    std::vector<PROCESSENTRY32W> processes;
    std::vector<MODULEENTRY32W> modules;
    size_t nextProcess = 0, nextModule = 0;
};

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void CopyName(WCHAR* target, size_t capacity, const std::wstring& text) {
    std::wstring cut = text.substr(0, capacity - 1);
    wcscpy(target, cut.c_str());
}

bool ReadStat(int pid, std::string& comm, char& state, DWORD& parent, DWORD& threads) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    comm = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 2));
    std::vector<std::string> fields;
    std::string field;
    while (rest >> field) fields.push_back(field);
    if (fields.size() < 18) return false;
    state = fields[0][0];
    parent = DWORD(std::stoul(fields[1]));
    threads = DWORD(std::stoul(fields[17]));
    return true;
}

void AddProcess(Snapshot& snap, DWORD pid, DWORD parent, DWORD threads, const std::wstring& exe) {
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    entry.th32ProcessID = pid;
    entry.cntThreads = threads;
    entry.th32ParentProcessID = parent;
    entry.pcPriClassBase = 8;
    CopyName(entry.szExeFile, MAX_PATH, exe);
    snap.processes.push_back(entry);
}

void CollectProcesses(Snapshot& snap) {
    DIR* dir = opendir("/proc");
    if (!dir) return;
    while (dirent* e = readdir(dir)) {
        char* end;
        long pid = strtol(e->d_name, &end, 10);
        if (*end || pid <= 0) continue;
        std::string comm;
        char state = 0;
        DWORD parent = 0, threads = 0;
        if (!ReadStat(int(pid), comm, state, parent, threads) || state == 'Z' || state == 'X')
            continue;
        std::wstring exe = ExecutablePathOf(int(pid));
        AddProcess(snap, DWORD(pid), parent, threads,
                   exe.empty() ? Utf8ToWide(comm) : FileNameOf(exe));
    }
    closedir(dir);
    if (HasSetting("shell", "account")) AddProcess(snap, kShellProcessId, 0, 1, L"explorer.exe");
}

void AddModule(Snapshot& snap, DWORD pid, const std::wstring& path) {
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    entry.th32ModuleID = 1;
    entry.th32ProcessID = pid;
    entry.GlblcntUsage = entry.ProccntUsage = 0xFFFF;
    CopyName(entry.szModule, MAX_MODULE_NAME32 + 1, FileNameOf(path));
    CopyName(entry.szExePath, MAX_PATH, path);
    snap.modules.push_back(entry);
}

// The program first, then the shared objects it has mapped.
bool CollectModules(Snapshot& snap, DWORD pid) {
    if (pid == kShellProcessId) {
        AddModule(snap, pid, L"C:\\windows\\explorer.exe");
        return true;
    }
    std::wstring exe = ExecutablePathOf(int(pid));
    if (exe.empty()) {
        SetError(access(("/proc/" + std::to_string(pid)).c_str(), F_OK) == 0
                     ? ERROR_ACCESS_DENIED
                     : ERROR_INVALID_PARAMETER);
        return false;
    }
    AddModule(snap, pid, exe);
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    std::set<std::string> seen;
    while (std::getline(maps, line)) {
        size_t slash = line.find('/');
        if (slash == std::string::npos || line.find(".so") == std::string::npos) continue;
        std::string path = line.substr(slash);
        if (seen.insert(path).second) AddModule(snap, pid, ToWindowsPath(path));
    }
    return true;
}

template <class Entry>
BOOL Next(std::vector<Entry>& list, size_t& next, Entry* out) {
    if (!out || out->dwSize < sizeof(Entry)) {
        SetError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (next >= list.size()) {
        SetError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *out = list[next++];
    return TRUE;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
    auto snap = std::make_shared<Snapshot>();
    if (flags & TH32CS_SNAPPROCESS) CollectProcesses(*snap);
    if (flags & (TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32)) {
        if (!CollectModules(*snap, processId ? processId : DWORD(getpid())))
            return INVALID_HANDLE_VALUE;
    }
    return AddHandle(snap);
}

BOOL Process32FirstW(HANDLE handle, LPPROCESSENTRY32W entry) {
    auto snap = HandleAs<Snapshot>(handle);
    if (!snap) return FALSE;
    snap->nextProcess = 0;
    return Next(snap->processes, snap->nextProcess, entry);
}

BOOL Process32NextW(HANDLE handle, LPPROCESSENTRY32W entry) {
    auto snap = HandleAs<Snapshot>(handle);
    return snap ? Next(snap->processes, snap->nextProcess, entry) : FALSE;
}

BOOL Module32FirstW(HANDLE handle, LPMODULEENTRY32W entry) {
    auto snap = HandleAs<Snapshot>(handle);
    if (!snap) return FALSE;
    snap->nextModule = 0;
    return Next(snap->modules, snap->nextModule, entry);
}
