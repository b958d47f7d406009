// Processes (the copy command the worker runs, snapshots) and the shell (folders, COM, links).
#include <gtest/gtest.h>

#include <vector>

#include "win_test_support.h"

using wintest::TempFolder;

namespace {

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
