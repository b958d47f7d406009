// Processes (the copy command the worker runs, snapshots) and the shell (folders, COM, links).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "win_test_support.h"

#ifdef _WIN32
#include <process.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using wintest::TempFolder;

namespace {

// Natively: switches on faults of the layer's internals (OBJSTORE_LAYER_TEST_FAULTS) while it
// lives, to reach the fallbacks for a kernel without process descriptors or close_range.
class LayerFaults {
  public:
    explicit LayerFaults(const std::string& faults) {
#ifndef _WIN32
        if (!faults.empty()) setenv("OBJSTORE_LAYER_TEST_FAULTS", faults.c_str(), 1);
#else
        (void)faults;
#endif
    }
    ~LayerFaults() {
#ifndef _WIN32
        unsetenv("OBJSTORE_LAYER_TEST_FAULTS");
#endif
    }
};

// The fault sets a test runs with: natively the fallbacks too, under Wine only the real calls.
std::vector<std::string> FaultCases(std::initializer_list<const char*> natively) {
    std::vector<std::string> cases{""};
#ifndef _WIN32
    cases.insert(cases.end(), natively.begin(), natively.end());
#else
    (void)natively;
#endif
    return cases;
}

bool Start(const std::string& line, PROCESS_INFORMATION& info) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info) != FALSE;
}

std::string LayerChild() {
    return "\"" + wintest::WindowsPathOfHost(LAYER_CHILD_PATH) + "\"";
}

DWORD RunAndWait(std::string line, DWORD flags, WORD show) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info = {};
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &info))
        return DWORD(-1);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 12345;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

}  // namespace

TEST(WinProcesses, CopyCommandOfTheWorkerCopiesTheWholeTree) {
    TempFolder dir;
    std::string s = dir / "stagingtemp", i = dir / "install dir";
    ASSERT_TRUE(CreateDirectoryA(s.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((s + "\\config").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((s + "\\empty").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(s + "\\update.ini", "[version]\r\n"));
    ASSERT_TRUE(wintest::WriteBytes(s + "\\config\\a.pub", "a"));
    ASSERT_TRUE(CreateDirectoryA(i.c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(i + "\\update.ini", "old"));
    char line[1024];
    snprintf(line, sizeof line, "cmd.exe /c XCOPY \"%s\" \"%s\\\" /S /E /Y /C", s.c_str(),
             i.c_str());
    EXPECT_EQ(RunAndWait(line, IDLE_PRIORITY_CLASS, SW_HIDE), 0u);
    EXPECT_EQ(wintest::ReadBytes(i + "\\update.ini"), "[version]\r\n");
    EXPECT_EQ(wintest::ReadBytes(i + "\\config\\a.pub"), "a");
    EXPECT_TRUE(wintest::Exists(i + "\\empty"));
    EXPECT_EQ(RunAndWait("cmd.exe /c exit 3", 0, SW_HIDE), 3u) << "exit codes pass through";
}

TEST(WinProcesses, MissingProgramIsNotStarted) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    char line[] = "Z:\\no\\such\\program.exe arg";
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info));
    EXPECT_TRUE(GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
}

TEST(WinProcesses, SnapshotShowsThisProcessWithItsWindowsPath) {
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring name = self;
    name = name.substr(name.find_last_of(L'\\') + 1);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snap, INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            found = true;
            EXPECT_EQ(_wcsicmp(entry.szExeFile, name.c_str()), 0);
        }
    CloseHandle(snap);
    EXPECT_TRUE(found);
    snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    ASSERT_NE(snap, INVALID_HANDLE_VALUE);
    MODULEENTRY32W module = {};
    module.dwSize = sizeof module;
    ASSERT_TRUE(Module32FirstW(snap, &module));
    EXPECT_EQ(std::wstring(module.szExePath), std::wstring(self));
    CloseHandle(snap);
}

TEST(WinShell, SpecialFoldersExistAndComCountsItsUsers) {
    TempFolder dir;
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        IMalloc* allocator = nullptr;
        ASSERT_EQ(SHGetMalloc(&allocator), S_OK);
        PIDLIST_ABSOLUTE items = nullptr;
        ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, csidl, &items), S_OK);
        std::vector<char> path(65536);
        ASSERT_TRUE(SHGetPathFromIDListA(items, path.data()));
        EXPECT_EQ(path[1], ':');
        DWORD attributes = GetFileAttributesA(path.data());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path.data();
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
        allocator->Free(items);
        allocator->Release();
    }
    void* link = nullptr;
    EXPECT_EQ(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, &link),
        CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST(WinShell, ShellLinkSavesARealShortcutFile) {
    TempFolder dir;
    std::wstring target = wintest::Wide(dir / "prog.exe");
    std::wstring work = wintest::Wide(dir.Path());
    std::wstring lnk = wintest::Wide(dir / "app.lnk");
    ASSERT_TRUE(wintest::WriteBytes(target, "MZ"));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IShellLinkW* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    EXPECT_EQ(link->SetPath((work + L"\\missing.exe").c_str()), S_FALSE);
    EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory(work.c_str()), S_OK);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    EXPECT_EQ(file->Save((work + L"\\nodir\\a.lnk").c_str(), FALSE),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(file->Save(lnk.c_str(), FALSE), S_OK);
    file->Release();
    link->Release();

    // Read back through a fresh link object.
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    ASSERT_EQ(file->Load(lnk.c_str(), 0), S_OK);
    wchar_t text[MAX_PATH];
    EXPECT_EQ(link->GetPath(text, MAX_PATH, nullptr, 0), S_OK);
    EXPECT_EQ(_wcsicmp(text, target.c_str()), 0);
    EXPECT_EQ(link->GetWorkingDirectory(text, MAX_PATH), S_OK);
    EXPECT_EQ(std::wstring(text), work);
    file->Release();
    link->Release();
    CoUninitialize();

    std::string out;
    ASSERT_TRUE(wintest::RunHostShell("lnkinfo '" + wintest::HostPathOf(lnk) + "'", out, dir))
        << out;
    EXPECT_NE(out.find("Local path\t\t\t: " + dir / "prog.exe"), std::string::npos) << out;
    EXPECT_NE(out.find("Working directory\t\t: " + dir.Path()), std::string::npos) << out;
}

TEST(WinProcesses, ChildWithoutInheritanceGetsNoneOfOurDescriptors) {
    TempFolder dir;
    std::string logPath = dir / "install.log";
    ASSERT_TRUE(wintest::WriteBytes(logPath, "log"));
    std::string hostLog = wintest::HostPathOf(wintest::Wide(logPath));
    std::vector<std::string> ours{hostLog};  // how the child's descriptor list would show them
#ifdef _WIN32
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE log = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inheritable, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
#else
    // An open file and a listening socket without O_CLOEXEC, as other libraries leave them.
    int log = open(hostLog.c_str(), O_RDONLY);
    ASSERT_GE(log, 0);
    int server = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(server, 1), 0);
    struct stat st;
    ASSERT_EQ(fstat(server, &st), 0);
    ours.push_back("socket:[" + std::to_string(st.st_ino) + "]");
#endif
    const std::string list = "ls -l /proc/self/fd/";
    for (const auto& faults : FaultCases({"no-close-range", "no-close-range,no-proc-fds"})) {
        std::string out;
        {
            LayerFaults with(faults);
            ASSERT_TRUE(wintest::RunHostShell(list, out, dir)) << out;
        }
        // The listing works: its own output file is there.
        EXPECT_NE(out.find("shell-output.txt"), std::string::npos) << out;
        for (const auto& descriptor : ours)
            EXPECT_EQ(out.find(descriptor), std::string::npos)
                << descriptor << " reached the child (faults: " << faults << ")\n"
                << out;
    }
#ifdef _WIN32
    CloseHandle(log);
#else
    // With inheritance they do reach it: the listing sees them.
    std::string out;
    ASSERT_TRUE(wintest::RunHostShell(list, out, dir, true)) << out;
    for (const auto& descriptor : ours) EXPECT_NE(out.find(descriptor), std::string::npos) << out;
    close(server);
    close(log);
#endif
}

TEST(WinProcesses, WaitLastsUntilTheChildEndsAndGivesItsCode) {
    TempFolder dir;
    for (const auto& faults : FaultCases({"no-pidfd"})) {
        SCOPED_TRACE("faults: " + faults);
        LayerFaults with(faults);
        std::string marker = dir / ("ended" + std::to_string(faults.size()));
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(Start(LayerChild() + " sleep 1000 7 \"" + marker + "\"", info));
        // A second handle by id, as a caller that only knows the process id has it.
        HANDLE byId = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, info.dwProcessId);
        ASSERT_NE(byId, nullptr);
        EXPECT_EQ(WaitForSingleObject(byId, INFINITE), WAIT_OBJECT_0);
        // The child creates the marker just before it ends: a wait that returned early misses it.
        EXPECT_TRUE(wintest::Exists(marker));
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(info.hThread, 60000), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_EQ(code, 7u);
        CloseHandle(byId);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

TEST(WinProcesses, TerminatedChildEndsWithTheGivenCode) {
    TempFolder dir;
    for (const auto& faults : FaultCases({"no-pidfd"})) {
        SCOPED_TRACE("faults: " + faults);
        LayerFaults with(faults);
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(Start(LayerChild() + " sleep 120000 0 \"" + dir / "never" + "\"", info));
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_EQ(code, DWORD(STILL_ACTIVE));
        EXPECT_TRUE(TerminateProcess(info.hProcess, 5));
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_EQ(code, 5u);
        EXPECT_FALSE(wintest::Exists(dir / "never"));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

namespace {
// Each thread records the argument it was started with in the slot the argument names.
unsigned RecordsItsArgument(void* parameter) {
    auto* slot = static_cast<std::atomic<uintptr_t>*>(parameter);
    slot->store(reinterpret_cast<uintptr_t>(slot));
    return 0;
}
}  // namespace

// Many short threads, so that a thread still handing over its id after its creator went on would
// show under the sanitizers.
TEST(WinThreads, ManyThreadsStartWithTheirIdsAndArguments) {
    const int kRounds = 20, kPerRound = 16;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::atomic<uintptr_t>> slots(kPerRound);
        std::vector<HANDLE> handles;
        std::set<DWORD> ids;
        for (int i = 0; i < kPerRound; ++i) {
            slots[i] = 0;
            unsigned id = 0;
            HANDLE handle = reinterpret_cast<HANDLE>(
                _beginthreadex(nullptr, 0, RecordsItsArgument, &slots[i], 0, &id));
            ASSERT_NE(handle, nullptr);
            ids.insert(DWORD(id));
            handles.push_back(handle);
        }
        EXPECT_EQ(ids.size(), size_t(kPerRound)) << "every running thread has an id of its own";
        EXPECT_EQ(ids.count(0), 0u);
        for (int i = 0; i < kPerRound; ++i) {
            ASSERT_EQ(WaitForSingleObject(handles[i], 60000), WAIT_OBJECT_0);
            EXPECT_EQ(slots[i].load(), reinterpret_cast<uintptr_t>(&slots[i])) << i;
            CloseHandle(handles[i]);
        }
    }
}

namespace {
// A getter of the link's text with the caller's buffer size.
struct LinkText {
    const char* name;
    std::function<HRESULT(IShellLinkW*, LPWSTR, int)> get;
    std::wstring value;
};
}  // namespace

TEST(WinShell, LinkTextIsCutToTheCallersBufferAndLongTextSurvivesASave) {
    TempFolder dir;
    std::wstring base = wintest::Wide(dir.Path());
    std::wstring target = base + L"\\" + std::wstring(150, L't') + L".exe";
    ASSERT_TRUE(wintest::WriteBytes(target, "MZ"));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IShellLinkW* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    std::vector<LinkText> texts = {
        {"path", [](IShellLinkW* l, LPWSTR b, int n) { return l->GetPath(b, n, nullptr, 0); },
         target},
        {"folder", [](IShellLinkW* l, LPWSTR b, int n) { return l->GetWorkingDirectory(b, n); },
         base + L"\\" + std::wstring(180, L'w')},
    };
    EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory(texts[1].value.c_str()), S_OK);
    std::wstring file = base + L"\\long.lnk";
    IPersistFile* persist = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    ASSERT_EQ(persist->Save(file.c_str(), TRUE), S_OK);
    persist->Release();
    link->Release();

    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    ASSERT_EQ(persist->Load(file.c_str(), 0), S_OK);
    for (const auto& text : texts) {
        SCOPED_TRACE(text.name);
        // Room for all of it: the whole text comes back.
        std::vector<wchar_t> whole(1024, L'#');
        EXPECT_TRUE(SUCCEEDED(text.get(link, whole.data(), int(whole.size()))));
        EXPECT_EQ(_wcsicmp(whole.data(), text.value.c_str()), 0);
        // A small buffer: cut to its size with the NUL inside, nothing written past it.
        const int kSmall = 10;
        std::vector<wchar_t> small(64, L'#');
        EXPECT_TRUE(SUCCEEDED(text.get(link, small.data(), kSmall)));
        EXPECT_EQ(wcslen(small.data()), size_t(kSmall - 1));
        EXPECT_EQ(_wcsicmp(small.data(), text.value.substr(0, kSmall - 1).c_str()), 0);
        for (size_t i = kSmall; i < small.size(); ++i) ASSERT_EQ(small[i], L'#') << i;
    }
    persist->Release();
    link->Release();
    CoUninitialize();
}

TEST(WinShell, CutShortcutFilesAreNotLoaded) {
    TempFolder dir;
    std::wstring base = wintest::Wide(dir.Path());
    std::wstring target = base + L"\\prog.exe";
    ASSERT_TRUE(wintest::WriteBytes(target, "MZ"));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IShellLinkW* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory(base.c_str()), S_OK);
    IPersistFile* persist = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    std::wstring whole = base + L"\\whole.lnk";
    ASSERT_EQ(persist->Save(whole.c_str(), FALSE), S_OK);
    persist->Release();
    link->Release();
    std::string bytes = wintest::ReadBytes(whole);
    ASSERT_GT(bytes.size(), 0x4Cu);
    // Cut inside the header, inside the link information and inside the working folder's text.
    for (size_t cut : {size_t(0), size_t(20), size_t(0x4C), size_t(0x4C + 10), bytes.size() - 8}) {
        SCOPED_TRACE(cut);
        std::wstring name = base + L"\\cut" + std::to_wstring(cut) + L".lnk";
        ASSERT_TRUE(wintest::WriteBytes(name, bytes.substr(0, cut)));
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)),
                  S_OK);
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
        EXPECT_TRUE(FAILED(persist->Load(name.c_str(), 0)));
        persist->Release();
        link->Release();
    }
    CoUninitialize();
}
