#include "system/product_process.h"

#include <gtest/gtest.h>

#include <vector>

#include "system/file_helpers.h"
#include "system/product_settings.h"
#include "win_test_support.h"

using wintest::TempFolder;

namespace {

// Waits until the fake product has written its report into `folder`.
std::string WaitForReport(const std::string& folder) {
    for (int i = 0; i < 200; ++i) {
        std::string report = wintest::ReadBytes(folder + "\\launch-report.txt");
        if (report.find("cwd=") != std::string::npos) return report;
        Sleep(50);
    }
    return std::string();
}

class RunningProduct : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string product = wintest::WindowsPathOfHost(FAKE_PRODUCT_PATH);
        for (const std::string& folder : {installDir, otherDir}) {
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
            ASSERT_TRUE(
                CopyFileA(product.c_str(), (folder + "\\OndrelDeskTrade.exe").c_str(), FALSE));
        }
        ProductSettings::Instance() = ProductSettings();
        ProductSettings::Instance().installDir = installDir;
    }
    void TearDown() override {
        if (other.hProcess) {
            TerminateProcess(other.hProcess, 0);
            WaitForSingleObject(other.hProcess, 5000);
            CloseHandle(other.hProcess);
            CloseHandle(other.hThread);
        }
        DWORD left = FindRunningProcess(L"OndrelDeskTrade.exe", Expected());
        if (HANDLE h = left ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, left) : nullptr) {
            TerminateProcess(h, 0);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
        ProductSettings::Instance() = ProductSettings();
    }
    std::wstring Expected() const { return wintest::Wide(installDir) + L"\\OndrelDeskTrade.exe"; }
    void StartOther() {
        std::wstring line = L"\"" + wintest::Wide(otherDir) + L"\\OndrelDeskTrade.exe\" other";
        std::wstring folder = wintest::Wide(otherDir);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.c_str(), &startup, &other));
    }
    TempFolder dir;
    std::string installDir = dir / "Prod dir";
    std::string otherDir = dir / "Other";
    PROCESS_INFORMATION other = {};
};

}  // namespace

TEST(ProductCommandLine, QuotesThePathAndAddsEnd) {
    EXPECT_EQ(ProductCommandLine("C:\\Program Files\\T"),
              "\"C:\\Program Files\\T\\OndrelDeskTrade.exe\" end");
}

TEST_F(RunningProduct, StartedWithEndInItsFolder) {
    ASSERT_TRUE(LaunchProduct());
    std::string report = WaitForReport(installDir);
    EXPECT_EQ(report, "cmdline=\"" + installDir +
                          "\\OndrelDeskTrade.exe\" end\narg=end\ncwd=" + installDir + "\n");
}

TEST_F(RunningProduct, OnlyTheCopyFromTheInstallFolderIsEnded) {
    ASSERT_TRUE(LaunchProduct());
    StartOther();
    ASSERT_FALSE(WaitForReport(installDir).empty());
    ASSERT_FALSE(WaitForReport(otherDir).empty());
    ASSERT_NE(FindRunningProcess(L"OndrelDeskTrade.exe", Expected()), 0u);

    // A folder that differs only in letter case is another folder.
    ProductSettings::Instance().installDir = dir / "prod dir";
    DWORD start = GetTickCount();
    TerminateRunningProduct(L"ondreldesktrade.exe");
    EXPECT_LT(GetTickCount() - start, 2000u) << "nothing to end, no waiting";
    EXPECT_NE(FindRunningProcess(L"OndrelDeskTrade.exe", Expected()), 0u);

    ProductSettings::Instance().installDir = installDir;
    start = GetTickCount();
    TerminateRunningProduct(L"OndrelDeskTrade.exe");
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 2400u);  // the 2.5 s pause, less GetTickCount's coarse ticks under Wine
    EXPECT_LT(took, 7500u);
    EXPECT_EQ(FindRunningProcess(L"OndrelDeskTrade.exe", Expected()), 0u);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(other.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE) << "the copy from another folder keeps running";
}

TEST_F(RunningProduct, ItsFilesStayWhileItRuns) {
    ASSERT_TRUE(LaunchProduct());
    ASSERT_FALSE(WaitForReport(installDir).empty());
    std::string exe = installDir + "\\OndrelDeskTrade.exe";
    HANDLE file = CreateFileA(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA(exe.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeletePath(installDir.c_str()));
    EXPECT_TRUE(wintest::Exists(exe));
    EXPECT_FALSE(MoveFileA(installDir.c_str(), (dir / "moved").c_str()));
    EXPECT_TRUE(wintest::Exists(exe));
}

TEST_F(RunningProduct, TheStandInEndsWhenToldToStop) {
    StartOther();
    ASSERT_FALSE(WaitForReport(otherDir).empty());
    EXPECT_EQ(WaitForSingleObject(other.hProcess, 300), DWORD(WAIT_TIMEOUT)) << "still running";
    ASSERT_TRUE(wintest::WriteBytes(otherDir + "\\stop-product.txt", ""));
    ASSERT_EQ(WaitForSingleObject(other.hProcess, 5000), DWORD(WAIT_OBJECT_0));
    DWORD code = STILL_ACTIVE;
    ASSERT_TRUE(GetExitCodeProcess(other.hProcess, &code));
    EXPECT_EQ(code, 0u);
}
