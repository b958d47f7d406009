// Processes and threads. Started programs are real host processes; their Windows command line
// travels in OBJSTORE_WIN_CMDLINE (tagged with the child's process id) so that GetCommandLineW
// in the child returns it unchanged, while argv holds the arguments as the C runtime splits them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/command_line.h"
#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/paths.h"
#include "platform/posix/processes.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

extern char** environ;

namespace winlayer {
namespace {

const char kCommandLineVariable[] = "OBJSTORE_WIN_CMDLINE";
constexpr int kPidDigits = 10;

int PidfdOpen(pid_t pid) {
    if (TestFault("no-pidfd")) {
        errno = ENOSYS;
        return -1;
    }
    return int(syscall(SYS_pidfd_open, pid, 0));
}
int PidfdSignal(int pidfd, int sig) {
    return int(syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

// Exit information of processes this process started, and codes given to TerminateProcess.
struct ProcessBook {
    std::mutex mutex;
    std::map<pid_t, int> children;  // pid -> wait status, -1 while not yet reaped
    std::map<pid_t, UINT> terminated;
};
ProcessBook& Book() {
    static ProcessBook* book = new ProcessBook;
    return *book;
}

// State and start time (clock ticks after boot) of a host process from /proc/<pid>/stat; false
// when the process is gone.
bool ReadProcessStat(pid_t pid, char& state, unsigned long long& startTime) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    size_t close = text.rfind(')');  // the program name may hold spaces and parentheses
    if (close == std::string::npos) return false;
    std::istringstream fields(text.substr(close + 1));
    fields >> state;
    std::string skip;
    for (int i = 0; i < 18; ++i) fields >> skip;  // ppid .. nice, up to the start time
    fields >> startTime;
    return bool(fields);
}

// How a process object learns that its process has ended.
enum class Tracking {
    kNever,  // the pretend shell or this process: never ends while we wait
    kPidfd,  // a process descriptor that becomes readable at the end
    kChild,  // a child of ours without descriptor: waitpid
    kByPid,  // another process without descriptor: its /proc entry, checked now and then
};

struct ProcessObject : Waitable {
    pid_t pid = 0;
    int pidfd = -1;
    Tracking tracking = Tracking::kNever;
    unsigned long long startTime = 0;  // kByPid: tells a reused process id from ours (0: unknown)
    DWORD access = 0;
    ~ProcessObject() override {
        if (pidfd >= 0) close(pidfd);
    }
    bool Exited() {
        switch (tracking) {
            case Tracking::kNever:
                return false;
            case Tracking::kPidfd: {
                pollfd p{pidfd, POLLIN, 0};
                return poll(&p, 1, 0) > 0;
            }
            case Tracking::kChild:
                return ReapChild();
            case Tracking::kByPid: {
                if (kill(pid, 0) != 0 && errno == ESRCH) return true;
                char state = 0;
                unsigned long long started = 0;
                if (!ReadProcessStat(pid, state, started))
                    return kill(pid, 0) != 0 && errno == ESRCH;
                return state == 'Z' || state == 'X' || (startTime && started != startTime);
            }
        }
        return false;
    }
    // Waiting needs SYNCHRONIZE access, as on Windows.
    DWORD WaitResult(DWORD timeoutMs) override {
        if (!(access & SYNCHRONIZE)) {
            SetError(ERROR_ACCESS_DENIED);
            return WAIT_FAILED;
        }
        return Wait(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
    bool Wait(DWORD timeoutMs) override {
        if (tracking == Tracking::kNever) {
            if (timeoutMs != INFINITE) Sleep(timeoutMs);
            return false;
        }
        if (tracking == Tracking::kPidfd) {
            int timeout = timeoutMs == INFINITE ? -1 : int(std::min<DWORD>(timeoutMs, INT_MAX));
            pollfd p{pidfd, POLLIN, 0};
            int r;
            do r = poll(&p, 1, timeout);
            while (r < 0 && errno == EINTR);
            if (r <= 0) return false;
            Reap();
            return true;
        }
        // Without a descriptor nothing wakes us: look again after a short sleep.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (Exited()) return true;
            if (timeoutMs != INFINITE && std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void Reap() {
        std::lock_guard<std::mutex> lock(Book().mutex);
        auto it = Book().children.find(pid);
        if (it == Book().children.end() || it->second != -1) return;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) it->second = status;
    }
    // A child without descriptor: true once it has ended (and is reaped).
    bool ReapChild() {
        std::lock_guard<std::mutex> lock(Book().mutex);
        auto it = Book().children.find(pid);
        if (it == Book().children.end()) return true;
        if (it->second != -1) return true;
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            it->second = status;
            return true;
        }
        // Reaped elsewhere (a SIGCHLD handler of the program): ended, code unknown.
        if (r < 0 && errno == ECHILD) {
            it->second = 0;
            return true;
        }
        return false;
    }
    DWORD ExitCode() {
        if (!Exited()) return STILL_ACTIVE;
        Reap();
        std::lock_guard<std::mutex> lock(Book().mutex);
        auto t = Book().terminated.find(pid);
        if (t != Book().terminated.end()) return t->second;
        auto c = Book().children.find(pid);
        if (c == Book().children.end() || c->second == -1) return 0;
        int status = c->second;
        if (WIFEXITED(status)) return DWORD(WEXITSTATUS(status));
        return DWORD(128 + WTERMSIG(status));
    }
    bool Kill() {
        if (tracking == Tracking::kPidfd) return PidfdSignal(pidfd, SIGKILL) == 0;
        // A child not yet reaped keeps its id, and kByPid checked the start time just before.
        return kill(pid, SIGKILL) == 0;
    }
};

// The primary thread of a started process: signalled when the process ends.
struct ProcessThread : Waitable {
    std::shared_ptr<ProcessObject> process;
    bool Wait(DWORD timeoutMs) override { return process->Wait(timeoutMs); }
};

struct ThreadObject : Waitable {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool Wait(DWORD timeoutMs) override {
        std::unique_lock<std::mutex> lock(mutex);
        if (timeoutMs == INFINITE) {
            done.wait(lock, [this] { return finished; });
            return true;
        }
        return done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return finished; });
    }
};

bool IsRegularFile(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasExtension(const std::wstring& name) {
    size_t sep = name.find_last_of(L"\\/");
    size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && (sep == std::wstring::npos || dot > sep);
}

std::vector<std::wstring> SearchFolders() {
    std::vector<std::wstring> folders;
    std::wstring self = ExecutablePathOf(getpid());
    if (!self.empty()) folders.push_back(self.substr(0, self.find_last_of(L'\\')));
    wchar_t buffer[32768];
    if (GetCurrentDirectoryW(32768, buffer)) folders.push_back(buffer);
    folders.push_back(L"C:\\windows\\system32");
    folders.push_back(L"C:\\windows");
    DWORD n = GetEnvironmentVariableW(L"PATH", buffer, 32768);
    if (n > 0 && n < 32768) {
        std::wstring path = buffer;
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find(L';', start);
            if (end == std::wstring::npos) end = path.size();
            if (end > start) folders.push_back(path.substr(start, end - start));
            start = end + 1;
        }
    }
    return folders;
}

// Finds the program a name means, the way CreateProcess searches; returns its host path.
bool ResolveProgram(const std::wstring& name, bool search, std::string& host,
                    std::wstring& windowsName) {
    // ".exe" is added to a name without extension; like Wine, the bare name is tried next, so
    // that host programs without the extension can be started too.
    std::vector<std::wstring> files;
    if (!HasExtension(name)) files.push_back(name + L".exe");
    files.push_back(name);
    bool hasPath = name.find_first_of(L"\\/:") != std::wstring::npos;
    std::vector<std::wstring> folders;
    if (!hasPath && search) folders = SearchFolders();
    std::vector<std::wstring> tries;
    if (folders.empty()) {
        tries = files;
    } else {
        for (const auto& folder : folders)
            for (const auto& file : files)
                tries.push_back(folder + (folder.back() == L'\\' ? L"" : L"\\") + file);
    }
    for (const auto& candidate : tries) {
        std::string h;
        if (ToHostPath(candidate, h) && IsRegularFile(h)) {
            host = h;
            windowsName = FullWindowsPath(candidate);
            return true;
        }
    }
    return false;
}

DWORD CheckExecutable(const std::string& host) {
    char magic[4] = {};
    std::ifstream in(host, std::ios::binary);
    in.read(magic, 4);
    bool elf = in.gcount() == 4 && !memcmp(magic,
                                           "\x7f"
                                           "ELF",
                                           4);
    bool script = in.gcount() >= 2 && magic[0] == '#' && magic[1] == '!';
    if (!elf && !script) return ERROR_BAD_EXE_FORMAT;
    if (access(host.c_str(), X_OK) != 0) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// "PATH" in a Windows environment block holds Windows folders; the host wants its own form.
std::string HostEnvironmentEntry(const std::wstring& entry) {
    size_t eq = entry.find(L'=', 1);
    if (eq == std::wstring::npos) return WideToUtf8(entry);
    std::wstring name = entry.substr(0, eq), value = entry.substr(eq + 1);
    if (!EqualsNoCase(name, L"PATH")) return WideToUtf8(entry);
    std::string out = "PATH=";
    size_t start = 0;
    bool first = true;
    while (start <= value.size()) {
        size_t end = value.find(L';', start);
        if (end == std::wstring::npos) end = value.size();
        std::string host;
        if (end > start && ToHostPath(value.substr(start, end - start), host)) {
            out += (first ? "" : ":") + host;
            first = false;
        }
        start = end + 1;
    }
    return out;
}

std::vector<std::string> EnvironmentFor(LPVOID block, bool unicode) {
    std::vector<std::string> env;
    if (!block) {
        for (char** e = environ; *e; ++e)
            if (strncmp(*e, kCommandLineVariable, sizeof kCommandLineVariable - 1) != 0)
                env.push_back(*e);
        return env;
    }
    if (unicode) {
        for (const wchar_t* p = static_cast<const wchar_t*>(block); *p; p += wcslen(p) + 1)
            env.push_back(HostEnvironmentEntry(p));
    } else {
        for (const char* p = static_cast<const char*>(block); *p; p += strlen(p) + 1)
            env.push_back(HostEnvironmentEntry(AnsiToWide(p)));
    }
    return env;
}

// Where the child looks for descriptors to close: close_range, else the /proc/self/fd list, else
// every number below the descriptor limit.
struct CloseMethod {
    bool closeRange = true;
    bool procList = true;
    int limit = 1024;
};

CloseMethod ChooseCloseMethod() {
    CloseMethod method;
    method.closeRange = !TestFault("no-close-range");
    method.procList = !TestFault("no-proc-fds");
    rlimit lim;
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
        method.limit = int(std::min<rlim_t>(lim.rlim_cur, INT_MAX));
    else
        method.limit = 1 << 20;
    return method;
}

// The layout of the records getdents64 returns.
struct DirEntry64 {
    uint64_t ino;
    int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

// Closes every descriptor the listing shows above 2 except keep; false when /proc is missing.
// Runs between fork and exec: only system calls, no allocation.
bool CloseListedDescriptors(int keep) {
    int dir =
        int(syscall(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir < 0) return false;
    alignas(8) char buffer[4096];
    // Closing while listing may hide entries from the same pass: list again until none is left.
    for (bool closedAny = true; closedAny;) {
        closedAny = false;
        lseek(dir, 0, SEEK_SET);
        long n;
        while ((n = syscall(SYS_getdents64, dir, buffer, sizeof buffer)) > 0) {
            for (long offset = 0; offset < n;) {
                const auto* entry = reinterpret_cast<const DirEntry64*>(buffer + offset);
                offset += entry->reclen;
                int fd = 0;
                const char* c = entry->name;
                if (*c < '0' || *c > '9') continue;
                for (; *c >= '0' && *c <= '9'; ++c) fd = fd * 10 + (*c - '0');
                if (fd <= 2 || fd == keep || fd == dir) continue;
                close(fd);
                closedAny = true;
            }
        }
    }
    close(dir);
    return true;
}

// Without inheritance the child gets no descriptor of ours above the standard three (open files
// and sockets that lack O_CLOEXEC), except keep (the exec report pipe, closed by exec itself).
void CloseInheritedDescriptors(int keep, const CloseMethod& method) {
#ifdef SYS_close_range
    if (method.closeRange) {
        bool ok = keep <= 3 || syscall(SYS_close_range, 3u, unsigned(keep - 1), 0u) == 0;
        if (ok && syscall(SYS_close_range, unsigned(keep + 1), ~0u, 0u) == 0) return;
    }
#endif
    if (method.procList && CloseListedDescriptors(keep)) return;
    for (int fd = 3; fd < method.limit; ++fd)
        if (fd != keep) close(fd);
}

BOOL StartProcess(const std::wstring* applicationName, const std::wstring& commandLine,
                  BOOL inheritHandles, DWORD flags, LPVOID environment,
                  const std::wstring* currentDirectory, const STARTUPINFOW& startup,
                  LPPROCESS_INFORMATION info) {
    std::string host;
    std::wstring windowsName;
    bool found = false;
    if (applicationName) {
        found = ResolveProgram(*applicationName, false, host, windowsName);
    } else {
        for (const auto& candidate : ProgramCandidates(commandLine))
            if ((found = ResolveProgram(candidate, true, host, windowsName))) break;
    }
    if (!found) {
        SetError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    DWORD bad = CheckExecutable(host);
    if (bad != ERROR_SUCCESS) {
        SetError(bad);
        return FALSE;
    }
    std::string hostCwd;
    if (currentDirectory) {
        struct stat st;
        if (!ToHostPath(*currentDirectory, hostCwd) || stat(hostCwd.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode)) {
            SetError(ERROR_DIRECTORY);
            return FALSE;
        }
    }
    // Everything the child needs is built before fork: only async-signal-safe calls follow it.
    std::vector<std::string> args;
    for (const auto& a : SplitCommandLine(commandLine)) args.push_back(WideToUtf8(a));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::vector<std::string> env =
        EnvironmentFor(environment, (flags & CREATE_UNICODE_ENVIRONMENT) != 0);
    env.push_back(std::string(kCommandLineVariable) + "=" + std::string(kPidDigits, '0') + ":" +
                  WideToUtf8(commandLine));
    char* pidSlot = &env.back()[sizeof kCommandLineVariable];
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    int stdFds[3] = {-1, -1, -1};
    if (inheritHandles && (startup.dwFlags & STARTF_USESTDHANDLES)) {
        stdFds[0] = FileDescriptorOf(startup.hStdInput);
        stdFds[1] = FileDescriptorOf(startup.hStdOutput);
        stdFds[2] = FileDescriptorOf(startup.hStdError);
    }
    CloseMethod closeMethod = ChooseCloseMethod();
    bool idle = (flags & IDLE_PRIORITY_CLASS) != 0;
    bool newSession = (flags & (CREATE_NEW_CONSOLE | DETACHED_PROCESS)) != 0;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        SetError(ErrorFromErrno(errno));
        return FALSE;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        pid_t self = getpid();
        for (int i = kPidDigits - 1; i >= 0; --i, self /= 10) pidSlot[i] = char('0' + self % 10);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        if (newSession) setsid();
        if (idle) setpriority(PRIO_PROCESS, 0, 19);
        for (int i = 0; i < 3; ++i)
            if (stdFds[i] >= 0) dup2(stdFds[i], i);
        if (!inheritHandles) CloseInheritedDescriptors(report[1], closeMethod);
        int err = 0;
        if (!hostCwd.empty() && chdir(hostCwd.c_str()) != 0) err = errno;
        if (!err) {
            execve(host.c_str(), argv.data(), envp.data());
            err = errno;
        }
        ssize_t ignored = write(report[1], &err, sizeof err);
        (void)ignored;
        _exit(127);
    }
    close(report[1]);
    if (pid < 0) {
        close(report[0]);
        SetError(ErrorFromErrno(errno));
        return FALSE;
    }
    int childErr = 0;
    ssize_t got;
    do got = read(report[0], &childErr, sizeof childErr);
    while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == sizeof childErr) {
        waitpid(pid, nullptr, 0);
        SetError(childErr == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(childErr));
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> lock(Book().mutex);
        Book().children[pid] = -1;
        Book().terminated.erase(pid);
    }
    auto process = std::make_shared<ProcessObject>();
    process->pid = pid;
    process->pidfd = PidfdOpen(pid);
    // Without a process descriptor (old kernel, seccomp) the child is waited for with waitpid.
    process->tracking = process->pidfd >= 0 ? Tracking::kPidfd : Tracking::kChild;
    process->access = PROCESS_ALL_ACCESS;
    auto thread = std::make_shared<ProcessThread>();
    thread->process = process;
    info->hProcess = AddHandle(process);
    info->hThread = AddHandle(thread);
    info->dwProcessId = DWORD(pid);
    info->dwThreadId = DWORD(pid);
    return TRUE;
}

std::wstring BuildOwnCommandLine() {
    const char* env = getenv(kCommandLineVariable);
    if (env && strlen(env) > size_t(kPidDigits) && env[kPidDigits] == ':' &&
        strtol(std::string(env, kPidDigits).c_str(), nullptr, 10) == getpid())
        return Utf8ToWide(env + kPidDigits + 1);
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    std::wstring line;
    bool first = true;
    while (std::getline(in, arg, '\0')) {
        std::wstring wide = Utf8ToWide(arg);
        if (!first) line += L' ';
        line += first && wide.find_first_of(L" \t") != std::wstring::npos
                    ? L"\"" + wide + L"\""
                    : (first ? wide : QuoteArgument(wide));
        first = false;
    }
    return line;
}

// The started thread reports its id through state it co-owns, so that a late notify never touches
// memory the creating thread has already left.
struct ThreadStart {
    std::mutex mutex;
    std::condition_variable ready;
    DWORD id = 0;
};

HANDLE StartThread(std::function<void()> body, LPDWORD threadId) {
    auto thread = std::make_shared<ThreadObject>();
    auto start = std::make_shared<ThreadStart>();
    try {
        std::thread([thread, start, body] {
            {
                std::lock_guard<std::mutex> lock(start->mutex);
                start->id = DWORD(syscall(SYS_gettid));
                start->ready.notify_one();
            }
            body();
            std::lock_guard<std::mutex> lock(thread->mutex);
            thread->finished = true;
            thread->done.notify_all();
        }).detach();
    } catch (...) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DWORD id;
    {
        std::unique_lock<std::mutex> lock(start->mutex);
        start->ready.wait(lock, [&start] { return start->id != 0; });
        id = start->id;
    }
    if (threadId) *threadId = id;
    return AddHandle(thread);
}

}  // namespace

std::wstring ExecutablePathOf(int pid) {
    char buffer[PATH_MAX];
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return std::wstring();
    std::string path(buffer, size_t(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return ToWindowsPath(path);
}

}  // namespace winlayer

using namespace winlayer;

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL inheritHandles, DWORD flags, LPVOID environment,
                    LPCWSTR currentDirectory, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
    if ((!applicationName && !commandLine) || !startup || !info) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring app = WideOrEmpty(applicationName);
    std::wstring line = commandLine ? std::wstring(commandLine) : app;
    std::wstring cwd = WideOrEmpty(currentDirectory);
    return StartProcess(applicationName ? &app : nullptr, line, inheritHandles, flags, environment,
                        currentDirectory ? &cwd : nullptr, *startup, info);
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL inheritHandles, DWORD flags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
    if ((!applicationName && !commandLine) || !startup || !info) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring app = AnsiToWide(applicationName);
    std::wstring line = commandLine ? AnsiToWide(commandLine) : app;
    std::wstring cwd = AnsiToWide(currentDirectory);
    STARTUPINFOW wide = {};
    wide.cb = sizeof wide;
    wide.dwFlags = startup->dwFlags;
    wide.wShowWindow = startup->wShowWindow;
    wide.hStdInput = startup->hStdInput;
    wide.hStdOutput = startup->hStdOutput;
    wide.hStdError = startup->hStdError;
    return StartProcess(applicationName ? &app : nullptr, line, inheritHandles, flags, environment,
                        currentDirectory ? &cwd : nullptr, wide, info);
}

HANDLE OpenProcess(DWORD access, BOOL, DWORD processId) {
    auto process = std::make_shared<ProcessObject>();
    process->pid = pid_t(processId);
    process->access = access;
    if (processId == kShellProcessId) return AddHandle(process);
    if (processId == 0 || processId > DWORD(INT_MAX)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (processId == DWORD(getpid())) return AddHandle(process);
    pid_t pid = pid_t(processId);
    process->pidfd = PidfdOpen(pid);
    if (process->pidfd >= 0) {
        process->tracking = Tracking::kPidfd;
        return AddHandle(process);
    }
    if (errno == ESRCH || (kill(pid, 0) != 0 && errno == ESRCH)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // No process descriptor (old kernel, seccomp): a child of ours is waited for with waitpid,
    // another process by its /proc entry.
    {
        std::lock_guard<std::mutex> lock(Book().mutex);
        if (Book().children.count(pid)) process->tracking = Tracking::kChild;
    }
    if (process->tracking != Tracking::kChild) {
        char state = 0;
        ReadProcessStat(pid, state, process->startTime);
        process->tracking = Tracking::kByPid;
    }
    return AddHandle(process);
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
    if (handle == GetCurrentProcess()) _exit(int(exitCode));
    auto process = HandleAs<ProcessObject>(handle);
    if (!process) {
        auto thread = HandleAs<ProcessThread>(handle);
        if (!thread) return FALSE;
        process = thread->process;
    }
    if (!(process->access & PROCESS_TERMINATE) || process->pid == pid_t(kShellProcessId)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (process->pid == getpid()) _exit(int(exitCode));
    if (process->Exited()) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> lock(Book().mutex);
        Book().terminated[process->pid] = exitCode;
    }
    if (!process->Kill()) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
    if (!exitCode) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (handle == GetCurrentProcess()) {
        *exitCode = STILL_ACTIVE;
        return TRUE;
    }
    auto process = HandleAs<ProcessObject>(handle);
    if (!process) return FALSE;
    *exitCode = process->tracking == Tracking::kNever ? STILL_ACTIVE : process->ExitCode();
    return TRUE;
}

HANDLE GetCurrentProcess() {
    return reinterpret_cast<HANDLE>(LONG_PTR(-1));
}
DWORD GetCurrentProcessId() {
    return DWORD(getpid());
}
DWORD GetCurrentThreadId() {
    return DWORD(syscall(SYS_gettid));
}

LPWSTR GetCommandLineW() {
    static std::wstring line = BuildOwnCommandLine();
    return &line[0];
}

LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) {
    if (!count) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<std::wstring> args;
    if (!commandLine || !*commandLine)
        args.push_back(ExecutablePathOf(getpid()));
    else
        args = SplitCommandLine(commandLine);
    // One block: the pointer array followed by the strings, freed with LocalFree.
    size_t bytes = sizeof(LPWSTR) * (args.size() + 1);
    for (const auto& a : args) bytes += (a.size() + 1) * sizeof(wchar_t);
    char* block = static_cast<char*>(malloc(bytes));
    if (!block) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    LPWSTR* argv = reinterpret_cast<LPWSTR*>(block);
    wchar_t* text = reinterpret_cast<wchar_t*>(block + sizeof(LPWSTR) * (args.size() + 1));
    for (size_t i = 0; i < args.size(); ++i) {
        argv[i] = text;
        wmemcpy(text, args[i].c_str(), args[i].size() + 1);
        text += args[i].size() + 1;
    }
    argv[args.size()] = nullptr;
    *count = int(args.size());
    return argv;
}

HLOCAL LocalFree(HLOCAL memory) {
    free(memory);
    return nullptr;
}

uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* parameter, unsigned,
                         unsigned* threadId) {
    DWORD id = 0;
    HANDLE handle = StartThread([start, parameter] { start(parameter); }, &id);
    if (threadId) *threadId = id;
    return reinterpret_cast<uintptr_t>(handle);
}

namespace winlayer {
bool ProcessIdOf(HANDLE handle, DWORD& pid) {
    if (handle == GetCurrentProcess()) {
        pid = DWORD(getpid());
        return true;
    }
    auto process = HandleAs<ProcessObject>(handle);
    if (!process) return false;
    pid = DWORD(process->pid);
    return true;
}
}  // namespace winlayer
