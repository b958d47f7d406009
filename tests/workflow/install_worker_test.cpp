// The whole install worker against the stand-in service serving the sample release.
#include "workflow/install_worker.h"

#include <gtest/gtest.h>

#include <functional>

#include "extract_test_support.h"
#include "install_fixture.h"
#include "system/product_settings.h"
#include "system/shortcut.h"
#include "system/uninstall.h"
#include "workflow_fixture.h"
#include "zip_writer.h"

namespace workflowtest {
namespace {

const char kFixName[] = "fix-8.5.0-sample";

std::string ProfileValue(const std::string& file, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
    return value;
}

std::wstring RegistryText(const std::string& keyName, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return L"<no key>";
    wchar_t value[512] = {};
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : L"<absent>";
}

// The progress positions posted while the given step was the last one announced (0: before the
// first step, that is during the summary download).
std::vector<LPARAM> ProgressDuring(const std::vector<Posted>& posted, LPARAM step) {
    std::vector<LPARAM> positions;
    LPARAM current = 0;
    for (const Posted& p : posted) {
        if (p.message == WM_INSTALL_STEP) current = p.value;
        if (p.message == WM_INSTALL_PROGRESS && current == step) positions.push_back(p.value);
    }
    return positions;
}

TEST_F(InstallWorkerTest, TheSampleReleaseIsInstalledStepByStep) {
    StartService();
    ASSERT_TRUE(PrepareInstall());
    EXPECT_STREQ(state.fixName, kFixName);
    EXPECT_STREQ(state.quantName, "quant-8.5.0-sample");
    EXPECT_EQ(state.cfgStamp, 1764547200);

    ASSERT_EQ(RunWorker(), 1u);

    // Messages: the steps in the worker's order, the bar over each download's span, then done.
    std::vector<Posted> posted = PostedMessages();
    EXPECT_EQ(Steps(), (std::vector<LPARAM>{2, 3, 4, 6, 7, 9, 8, 12, 13, 14}));
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), (Posted{WM_INSTALL_DONE, 0}));
    const struct {
        LPARAM step, low, high;
    } spans[] = {{0, 0, 16}, {2, 16, 32}, {3, 32, 48}, {4, 48, 64}};
    for (const auto& span : spans) {
        std::vector<LPARAM> during = ProgressDuring(posted, span.step);
        ASSERT_FALSE(during.empty()) << "step " << span.step;
        EXPECT_GE(*std::min_element(during.begin(), during.end()), span.low) << span.step;
        EXPECT_EQ(*std::max_element(during.begin(), during.end()), span.high) << span.step;
    }
    EXPECT_TRUE(ProgressDuring(posted, 6).empty()) << "no front-end package, no progress";
    EXPECT_EQ(ProgressDuring(posted, 7), std::vector<LPARAM>{66});
    EXPECT_EQ(ProgressDuring(posted, 9), std::vector<LPARAM>{68});
    EXPECT_EQ(ProgressDuring(posted, 8), std::vector<LPARAM>{70});
    EXPECT_TRUE(ProgressDuring(posted, 12).empty());
    EXPECT_TRUE(ProgressDuring(posted, 13).empty());
    EXPECT_EQ(ProgressDuring(posted, 14), (std::vector<LPARAM>{75, 79, 80}));
    EXPECT_EQ(state.progress.load(), 80);
    EXPECT_EQ(state.finishedDownloads, 4);

    // The installed tree replaced the old one; staging and backup are gone.
    EXPECT_EQ(TreeOf(installDir), SampleInstalledTree());
    EXPECT_FALSE(wintest::Exists(stagingDir));
    EXPECT_FALSE(wintest::Exists(installDir + ".old"));
    EXPECT_EQ(wintest::ReadBytes(installDir + "\\config\\LoginFrm.Server.pub"),
              wintest::ReadBytes(wintest::WindowsPathOfHost(SAMPLE_FILES_DIR
                                                            "/config/config/ServerInfo/0001.pub")));
    const std::string update = installDir + "\\update.ini";
    EXPECT_EQ(ProfileValue(update, "cfgstamp", "time"), "1764547200");
    EXPECT_EQ(ProfileValue(update, "version", "cur"), kFixName);
    EXPECT_EQ(ProfileValue(update, "version", "quant"), "quant-8.5.0-sample");

    // Registration: uninstall entry, shortcut, the product's configuration values.
    EXPECT_EQ(ProductSettings::Instance().installedVersion, kFixName);
    EXPECT_EQ(RegistryText(UninstallKey(), L"DisplayVersion"), L"fix-8.5.0-sample");
    EXPECT_EQ(RegistryText(UninstallKey(), L"UninstallString"),
              wintest::Wide(installDir) + L"\\uninstall.exe");
    const std::string pri = installDir + "\\config\\tallowind.Default.pri";
    EXPECT_EQ(ProfileValue(installDir + "\\config\\tallowind.Default.pub", "tallowind", "package"),
              "000001");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "company"), "0001");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "endpoint"), "quote.sample.example");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "language"), "1033");
    std::string desktop, out;
    ASSERT_GE(GetCommonDesktopDir(desktop), 0);
    std::string link = ShortcutPath(desktop, ProductSettings::Instance().brandName);
    wchar_t linkWide[MAX_PATH] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, linkWide, MAX_PATH), 0);
    ASSERT_TRUE(wintest::RunHostShell("lnkinfo '" + wintest::HostPathOf(linkWide) + "'", out, dir))
        << out;
    EXPECT_NE(out.find("Local path\t\t\t: " + installDir + "\\OndrelDeskTrade.exe\n"),
              std::string::npos)
        << out;

    // The log: the sample brand has no release key and says so first; then one line per step, in
    // the worker's order, then the shortcut's lines.
    std::vector<std::string> log = LogTexts();
    const std::vector<std::string> steps = {
        kUncheckedReleaseLine,   "下载前端依赖库",   "下载服务依赖库",
        "下载配置文件",          "下载运行库",       "安装前端依赖库",
        "安装服务依赖库",        "安装运行库",       "安装配置文件",
        "清理安装文件",          "保存更新版本信息", "删除源文件",
        "复制新版本数据到原目录"};
    ASSERT_GT(log.size(), steps.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + steps.size()), steps);
    EXPECT_EQ(log.back(), "IPersistFile::Save : 0");
}

TEST_F(InstallWorkerTest, AnInstallFolderOnAnotherVolumeIsFilledByTheCopyAndTheOldOneGoes) {
    std::string out;
    if (!wintest::RunHostShell("test $(stat -c %d /dev/shm) != $(stat -c %d /tmp) && "
                               "mktemp -d /dev/shm/objstore-worker.XXXXXX",
                               out, dir))
        GTEST_SKIP() << "no second file system (/dev/shm) on this machine";
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    const std::string volume = wintest::WindowsPathOfHost(out);
    installDir = volume + "\\Product";
    ProductSettings::Instance().installDir = installDir;
    ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(installDir + "\\old.txt", "the old version"));

    StartService();
    ASSERT_TRUE(PrepareInstall());
    EXPECT_EQ(RunWorker(), 1u);
    EXPECT_EQ(TreeOf(installDir), SampleInstalledTree());
    EXPECT_FALSE(wintest::Exists(stagingDir)) << "deleted after the copy";
    EXPECT_FALSE(wintest::Exists(installDir + ".old"));
    EXPECT_EQ(ProgressDuring(PostedMessages(), 14), (std::vector<LPARAM>{75, 79, 80}));
    wintest::RemoveTree(volume);
}

TEST_F(InstallWorkerTest, AnOldInstallationThatCannotBeSetAsideIsKeptAndTheMoveFails) {
    // The old product is running from the install folder, which therefore cannot be moved.
    std::string program = installDir + "\\OndrelDeskTrade.exe";
    ASSERT_TRUE(
        CopyFileA(wintest::WindowsPathOfHost(FAKE_PRODUCT_PATH).c_str(), program.c_str(), FALSE));
    std::string line = "\"" + program + "\" old";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               installDir.c_str(), &startup, &running));
    ASSERT_TRUE(wintest::PumpUntil(
        [&] { return wintest::Exists(installDir + "\\launch-report.txt"); }, 10000));
    if (MoveFileA(installDir.c_str(), (installDir + "x").c_str())) {
        MoveFileA((installDir + "x").c_str(), installDir.c_str());
        wintest::WriteBytes(installDir + "\\stop-product.txt", "");
        WaitForSingleObject(running.hProcess, 10000);
        CloseHandle(running.hProcess);
        CloseHandle(running.hThread);
        GTEST_SKIP() << "Wine lets a folder be moved while a program runs from it";
    }

    StartService();
    ASSERT_TRUE(PrepareInstall());
    EXPECT_EQ(RunWorker(), 0u);
    std::vector<Posted> posted = PostedMessages();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), (Posted{WM_INSTALL_FAILED, 11}));
    EXPECT_TRUE(ProgressDuring(posted, 14).empty()) << "the bar stays where the unpacking left it";
    std::vector<std::string> log = LogTexts();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "删除源文件");
    EXPECT_EQ(log[log.size() - 2].rfind("旧版本无法移开,错误码:", 0), 0u) << log[log.size() - 2];
    EXPECT_EQ(log.back(), "安装失败");
    EXPECT_EQ(TreeOf(installDir),
              (std::vector<std::string>{"OndrelDeskTrade.exe", "launch-report.txt", "old.txt"}));
    EXPECT_TRUE(wintest::Exists(stagingDir + "\\update.ini")) << "the new version stays staged";

    wintest::WriteBytes(installDir + "\\stop-product.txt", "");
    EXPECT_EQ(WaitForSingleObject(running.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(running.hProcess);
    CloseHandle(running.hThread);
}

TEST_F(InstallWorkerTest, FrontEndAndQuantPackagesComeWhenWanted) {
    state.downloadDepend = true;
    state.downloadQuant = true;
    StartService();
    ASSERT_TRUE(PrepareInstall());
    ASSERT_EQ(RunWorker(), 1u);
    EXPECT_EQ(Steps(), (std::vector<LPARAM>{1, 2, 3, 4, 5, 6, 7, 9, 8, 12, 13, 14}));
    // The front-end package goes into its own folder; the quant package is fetched but not
    // unpacked, and the clean-up removes it.
    EXPECT_EQ(TreeOf(ProductSettings::Instance().dependBaseDir),
              (std::vector<std::string>{"web\\", "web\\app.js", "web\\img\\", "web\\img\\logo.svg",
                                        "web\\index.html"}));
    EXPECT_EQ(TreeOf(installDir), SampleInstalledTree());
    std::vector<std::string> log = LogTexts();
    EXPECT_NE(std::find(log.begin(), log.end(), "下载Quant"), log.end());
}

// A failing step: its failure line is the log's last, WM_INSTALL_FAILED with its code the last
// message, and the earlier installation is as it was.
struct FailureCase {
    const char* name;
    std::function<void(InstallWorkerTest&)> breakRelease;
    std::vector<std::string> faults;
    bool summaryRead;
    std::vector<LPARAM> steps;
    std::string failureLine;
};

class InstallWorkerFailure : public InstallWorkerTest {
  protected:
    void Check(const FailureCase& c) {
        SCOPED_TRACE(c.name);
        c.breakRelease(*this);
        StartService(c.faults);
        EXPECT_EQ(PrepareInstall(), c.summaryRead);
        EXPECT_EQ(RunWorker(), 0u);
        EXPECT_EQ(Steps(), c.steps);
        std::vector<Posted> posted = PostedMessages();
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted.back(), (Posted{WM_INSTALL_FAILED, c.steps.back()}));
        std::vector<std::string> log = LogTexts();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), c.failureLine);
        EXPECT_EQ(TreeOf(installDir), std::vector<std::string>{"old.txt"});
        EXPECT_FALSE(wintest::Exists(dir / "escaped.txt"));
        EXPECT_FALSE(wintest::Exists(dir / "TallowindDependBaseV8.5"));
    }
};

void RemoveObject(InstallWorkerTest& t, const std::string& key) {
    ASSERT_TRUE(DeleteFileA(t.ObjectPath(key).c_str())) << key;
}

TEST_F(InstallWorkerFailure, AMissingSummaryStillStartsTheInstallationThenFailsAtTheRuntime) {
    Check({"missing summary",
           [](InstallWorkerTest& t) { RemoveObject(t, "8.5/summary.ini"); },
           {},
           false,
           {2, 3, 4},
           "下载运行库失败"});
    std::vector<std::string> log = LogTexts();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], kUncheckedReleaseLine);
    EXPECT_EQ(log[1], "8.5/summary.ini,文件不存在");
    EXPECT_EQ(log[log.size() - 2], "8.5/fix/.zip,文件不存在");
}

TEST_F(InstallWorkerFailure, ASummaryWithoutThisPackageCodeFailsAtTheRuntime) {
    Check({"no line for 000001",
           [](InstallWorkerTest& t) {
               ASSERT_TRUE(wintest::WriteBytes(t.ObjectPath("8.5/summary.ini"),
                                               "[cfgstamp]\r\ntime=5\r\n[fixstamp]\r\n"
                                               "000002=fix-8.5.0-sample\r\n"));
           },
           {},
           true,
           {2, 3, 4},
           "下载运行库失败"});
    EXPECT_STREQ(state.fixName, "");
    EXPECT_EQ(state.cfgStamp, 5);
}

TEST_F(InstallWorkerFailure, AServiceFaultOutlastingTheRetriesFailsTheBaseDownload) {
    Check({"base.zip breaks off every time",
           [](InstallWorkerTest&) {},
           {"close-mid,key=8.5/base.zip,method=GET"},
           true,
           {2},
           "下载服务依赖库失败"});
    std::vector<std::string> log = LogTexts();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rfind("Downfile Fail,code:", 0), 0u) << log[log.size() - 2];
}

TEST_F(InstallWorkerFailure, AnEntryLeavingTheFolderFailsItsUnpackingAndWritesNothingOutside) {
    Check({"escaping entry",
           [](InstallWorkerTest& t) {
               ASSERT_TRUE(WriteTestZip(t.ObjectPath("8.5/base.zip"),
                                        {{"lib/ok.dat", "fine"}, {"../escaped.txt", "out"}}));
           },
           {},
           true,
           {2, 3, 4, 6, 7},
           "安装服务依赖库失败"});
}

TEST_F(InstallWorkerFailure, ADamagedEntryFailsItsUnpacking) {
    Check({"damaged entry",
           [](InstallWorkerTest& t) {
               TestEntry damaged{"OndrelDeskTrade.exe", "program bytes"};
               damaged.crcXor = 0x1234;
               ASSERT_TRUE(WriteTestZip(t.ObjectPath("8.5/fix/fix-8.5.0-sample.zip"), {damaged}));
           },
           {},
           true,
           {2, 3, 4, 6, 7, 9},
           "安装运行库失败"});
}

}  // namespace
}  // namespace workflowtest
