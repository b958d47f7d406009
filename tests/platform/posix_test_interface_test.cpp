// The layer's in-process test interface: the console user and message boxes (native build only).
// Values set here apply to this process and win over the system root's files; the files stay the
// route for other processes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/test_interface.h"
#include "platform/win32.h"
#include "win_test_support.h"

namespace test = winlayer::test;

namespace {

std::string ConsoleUser() {
    LPSTR name = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(),
                                     WTSUserName, &name, &bytes))
        return "<failed>";
    std::string text = name;
    WTSFreeMemory(name);
    return text;
}

std::string RootFile(const char* name) {
    char root[MAX_PATH];
    GetEnvironmentVariableA("OBJSTORE_SYSROOT", root, MAX_PATH);
    return wintest::WindowsPathOfHost(root) + "\\" + name;
}

// Clears what a test queued or set, also when it failed half-way.
struct Clean {
    Clean() { Reset(); }
    ~Clean() { Reset(); }
    static void Reset() {
        test::ResetDialogs();
        test::ClearConsoleUser();
    }
};

}  // namespace

TEST(PosixTestInterface, ConsoleUserWinsOverTheSettingsFileUntilCleared) {
    wintest::TempFolder dir;  // a fresh system root
    Clean clean;
    EXPECT_EQ(ConsoleUser(), "") << "no one by default";
    ASSERT_TRUE(WritePrivateProfileStringA("session", "console_user", "carol",
                                           RootFile("settings.ini").c_str()));
    EXPECT_EQ(ConsoleUser(), "carol");
    struct Case {
        const char* set;
        const char* seen;
    } cases[] = {
        {"alice", "alice"},
        {"", ""},  // no one logged on, although the file names someone
        {"\xE5\xBC\xA0\xE4\xB8\x89", "\xD5\xC5\xC8\xFD"},  // UTF-8 in, code page 936 out
    };
    for (const auto& c : cases) {
        test::SetConsoleUser(c.set);
        EXPECT_EQ(ConsoleUser(), c.seen) << c.set;
    }
    test::ClearConsoleUser();
    EXPECT_EQ(ConsoleUser(), "carol");
}

TEST(PosixTestInterface, MessageBoxesTakeQueuedAnswersThenTheFileThenTheirDefault) {
    wintest::TempFolder dir;
    Clean clean;
    ASSERT_TRUE(wintest::WriteBytes(RootFile("messagebox-answers.txt"), "IDIGNORE\n"));
    test::QueueMessageBoxAnswer(IDRETRY);
    test::QueueMessageBoxAnswer(IDCANCEL);
    const UINT type = MB_ABORTRETRYIGNORE | MB_DEFBUTTON3;
    EXPECT_EQ(MessageBoxA(nullptr, "one", "cap", type), IDRETRY);
    EXPECT_EQ(MessageBoxW(nullptr, L"two\nlines", L"\u63D0\u793A", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "three", "cap", type), IDIGNORE);               // from the file
    EXPECT_EQ(MessageBoxA(nullptr, "four", "cap", MB_ABORTRETRYIGNORE), IDABORT);  // default
    EXPECT_EQ(MessageBoxA(nullptr, "five", "cap", type), IDIGNORE);  // third button by default

    std::vector<test::MessageBoxRecord> records = test::MessageBoxRecords();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].answer, IDRETRY);
    EXPECT_EQ(records[0].type, type);
    EXPECT_EQ(records[0].caption, L"cap");
    EXPECT_EQ(records[0].text, L"one");
    EXPECT_EQ(records[1].caption, L"\u63D0\u793A");
    EXPECT_EQ(records[1].text, L"two\nlines");
    EXPECT_EQ(records[2].answer, IDIGNORE);
    EXPECT_EQ(records[3].answer, IDABORT);
    // The log file still holds every box, for other processes' boxes and for people.
    std::string log = wintest::ReadBytes(RootFile("messagebox-log.txt"));
    EXPECT_EQ(log.substr(0, log.find('\n')), "IDRETRY\t0x202\tcap\tone");

    test::QueueMessageBoxAnswer(IDOK);
    test::ResetDialogs();
    EXPECT_TRUE(test::MessageBoxRecords().empty());
    EXPECT_EQ(MessageBoxA(nullptr, "after reset", "cap", MB_OKCANCEL), IDOK) << "default again";
    EXPECT_EQ(test::MessageBoxRecords().size(), 1u);
}

// A box of another process takes its answer from the file, not from this process's queue, and
// is logged in the file but not recorded here.
TEST(PosixTestInterface, BoxesOfAChildProcessAreAnsweredFromTheFile) {
    wintest::TempFolder dir;
    Clean clean;
    ASSERT_TRUE(wintest::WriteBytes(RootFile("messagebox-answers.txt"), "IDCANCEL\n"));
    test::QueueMessageBoxAnswer(IDOK);
    std::string line =
        "\"" + wintest::WindowsPathOfHost(LAYER_CHILD_PATH) + "\" message-box \"from the child\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(code, DWORD(IDCANCEL));
    EXPECT_EQ(wintest::ReadBytes(RootFile("messagebox-log.txt")),
              "IDCANCEL\t0x1\tchild\tfrom the child\n");
    EXPECT_TRUE(test::MessageBoxRecords().empty());
    EXPECT_EQ(MessageBoxA(nullptr, "here", "cap", MB_OKCANCEL | MB_DEFBUTTON2), IDOK)
        << "the queued answer is still there for this process";
}
