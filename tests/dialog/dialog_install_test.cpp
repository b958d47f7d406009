// One whole installation started from the dialog's Install button: the stand-in service serves a
// copy of the sample release on a free loopback port, the worker runs on the thread StartInstall
// starts, and the dialog follows its messages to Done.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dialog_test_support.h"
#include "support/test_server.h"
#include "system/install_log.h"
#include "system/product_config.h"
#include "system/product_names.h"
#include "system/product_process.h"
#include "system/product_settings.h"
#include "util/cos_global_settings.h"
#include "win_test_support.h"
#include "window_test_support.h"
#include "workflow/storage_brand.h"

namespace {

constexpr int kInstallTimeoutMs = 120000;

class DialogInstall : public ::testing::Test {
  protected:
    void SetUp() override {
        live_.reset(new dialogtest::LiveDialog);
        objstore::CosGlobalSettings::Instance().SetLogLevel(0);
        const std::string bucket = wintest::HostPathOf(wintest::Wide(live_->Folder() / "bucket"));
        std::string out;
        ASSERT_TRUE(wintest::RunHostShell(
            "mkdir -p '" + bucket + "' && cp -R '" SAMPLE_BUCKET_DIR "/.' '" + bucket + "'", out,
            live_->Folder()))
            << out << " (the sample release is made by the target sample_release)";
        const TTallowindDlg& dialog = live_->Dialog();
        objstore::test::StandinSettings settings;
        settings.root = bucket;
        settings.bucket = dialog.bucket;
        settings.appId = BuildStorageBrand().accountNumber;
        settings.region = dialog.region;
        settings.secretId = dialog.secretId;
        settings.secretKey = dialog.secretKey;
        server_ = objstore::test::TestServer::Standin(settings);
        ASSERT_NE(server_, nullptr);
        objstore::CosGlobalSettings& global = objstore::CosGlobalSettings::Instance();
        global.SetForcedHost("127.0.0.1:" + std::to_string(server_->Port()));
        global.SetUseForcedHost(true);
    }
    void TearDown() override {
        live_.reset();
        server_.reset();
        CloseInstallLog();
        objstore::CosGlobalSettings::Instance().ResetToDefaults();
    }
    std::unique_ptr<dialogtest::LiveDialog> live_;
    std::unique_ptr<objstore::test::TestServer> server_;
};

TEST_F(DialogInstall, InstallOnAFreshFolderEndsDone) {
    TTallowindDlg& dialog = live_->Dialog();
    const std::string installDir = ProductSettings::Instance().installDir;
    ASSERT_FALSE(wintest::Exists(installDir));
    {
        // No warning for a fresh folder: a box would be counted here (and cancelled).
        dialogtest::WarningAnswer answer(IDCANCEL);
        live_->Press(dialogtest::Centre(dialog.Layout().button));
        EXPECT_EQ(answer.Answered(), 0);
    }
    EXPECT_NE(dialog.State(), DialogState::Idle);
    RECT progress{};
    GetWindowRect(dialog.Progress()->Handle(), &progress);
    EXPECT_EQ(progress.right - progress.left, 434);
    EXPECT_EQ(progress.bottom - progress.top, 15);

    bool ended = wintest::PumpUntil(
        [&] {
            return dialog.State() == DialogState::Done || dialog.State() == DialogState::Failed;
        },
        kInstallTimeoutMs);
    ASSERT_TRUE(ended) << "the worker did not finish";
    EXPECT_EQ(int(dialog.State()), int(DialogState::Done)) << wintest::Utf8(dialog.StatusText());
    // The bar stays at the last position the worker sent.
    EXPECT_EQ(dialog.Progress()->Position(), dialog.progress.load());
    EXPECT_GT(dialog.Progress()->Position(), 0);
    EXPECT_FALSE(IsWindowVisible(dialog.Progress()->Handle()));
    EXPECT_TRUE(wintest::Exists(installDir + "\\update.ini"));
    EXPECT_EQ(InstallLogFile, nullptr) << "the worker closed the log";

    // Open: the display-scale key is written, the installed product starts with "end" and the
    // dialog closes.
    live_->Press(dialogtest::Centre(dialog.Layout().button));
    EXPECT_FALSE(IsWindow(live_->Window()));
    EXPECT_FALSE(dialog.Running());
    const std::string report = installDir + "\\launch-report.txt";
    ASSERT_TRUE(wintest::PumpUntil([&] { return wintest::Exists(report); }, 10000));
    wintest::PumpUntil([&] { return wintest::ReadBytes(report).find("cwd=") != std::string::npos; },
                       5000);
    EXPECT_NE(wintest::ReadBytes(report).find("arg=end\n"), std::string::npos)
        << wintest::ReadBytes(report);
    // The product is told to stop and waited for, so it leaves no process behind.
    wintest::WriteBytes(installDir + "\\stop-product.txt", "");
    const std::wstring program = wintest::Wide(installDir + "\\OndrelDeskTrade.exe");
    EXPECT_TRUE(wintest::PumpUntil(
        [&] { return FindRunningProcess(L"OndrelDeskTrade.exe", program) == 0; }, 10000));
    char flag[16] = {};
    GetPrivateProfileStringA(kProductConfigSection, "awaredpi", "<absent>", flag, sizeof flag,
                             DisplayScalePriPath(installDir).c_str());
    EXPECT_TRUE(std::string(flag) == "0" || std::string(flag) == "1") << flag;
}

TEST_F(DialogInstall, InstallOverARunningProductEndsItFirst) {
    TTallowindDlg& dialog = live_->Dialog();
    const std::string installDir = ProductSettings::Instance().installDir;
    const std::string program = installDir + "\\OndrelDeskTrade.exe";
    // An installed product: its program and a subfolder, which is what the warning looks for.
    ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((installDir + "\\config").c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileA(wintest::WindowsPathOfHost(FAKE_PRODUCT_PATH).c_str(), program.c_str(), FALSE));
    std::wstring line = L"\"" + wintest::Wide(program) + L"\" running";
    const std::wstring folder = wintest::Wide(installDir);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &running));
    ASSERT_TRUE(wintest::PumpUntil(
        [&] {
            return wintest::ReadBytes(installDir + "\\launch-report.txt").find("cwd=") !=
                   std::string::npos;
        },
        10000));

    {
        // The folder holds a subfolder: the warning comes, and OK goes on.
        dialogtest::WarningAnswer answer(IDOK);
        live_->Press(dialogtest::Centre(dialog.Layout().button));
        EXPECT_EQ(answer.Answered(), 1);
    }
    // The running copy was ended before anything was fetched: the old installation could be set
    // aside and the new one moved in.
    EXPECT_EQ(WaitForSingleObject(running.hProcess, 0), WAIT_OBJECT_0)
        << "the product still runs after Install";
    bool ended = wintest::PumpUntil(
        [&] {
            return dialog.State() == DialogState::Done || dialog.State() == DialogState::Failed;
        },
        kInstallTimeoutMs);
    if (WaitForSingleObject(running.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(running.hProcess, 0);
        WaitForSingleObject(running.hProcess, 5000);
    }
    CloseHandle(running.hProcess);
    CloseHandle(running.hThread);
    ASSERT_TRUE(ended) << "the worker did not finish";
    EXPECT_EQ(int(dialog.State()), int(DialogState::Done)) << wintest::Utf8(dialog.StatusText());
    EXPECT_TRUE(wintest::Exists(installDir + "\\update.ini"));
    EXPECT_FALSE(wintest::Exists(installDir + "\\launch-report.txt"))
        << "the old installation's files went with it";
}

}  // namespace
