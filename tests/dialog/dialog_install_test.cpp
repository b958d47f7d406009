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

}  // namespace
