// The download adapter against the stand-in: what it logs, posts and counts.
#include "workflow/package_download.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "system/install_log.h"
#include "util/cos_global_settings.h"
#include "workflow_fixture.h"

namespace workflowtest {
namespace {

TEST(DownloadPosition, FollowsTheDownloadsSpanOfTheBar) {
    const struct {
        uint64_t transferred, total;
        int32_t finished, planned, position;
    } rows[] = {
        {0, 100, 0, 5, 0},
        {50, 100, 0, 5, 8},
        {1, 1, 0, 5, 16},
        {1, 1, 3, 5, 64},
        {1, 3, 1, 5, 21},
        {99, 100, 4, 5, 79},
        {1, 1, 4, 5, 80},
        {0, 0, 2, 5, 48},   // no total: the end of the span, not a
                            // division by zero
        {0, 0, 0, 0, 0},    // nothing planned yet
        {5, 1, 4, 5, 100},  // more than the total never passes the end of the bar
        {~0ull, ~0ull, 0, 5, 16},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DownloadPosition(r.transferred, r.total, r.finished, r.planned), r.position)
            << r.transferred << "/" << r.total << " finished " << r.finished;
    }
}

class PackageDownload : public WorkflowTest {
  protected:
    std::string Local(const char* name) { return stagingDir + "/" + name; }
};

TEST_F(PackageDownload, AMissingObjectLogsOneLineAndPostsNothing) {
    StartService();
    ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
    OpenInstallLog();
    state.finishedDownloads = 2;
    EXPECT_FALSE(DownloadObject(state, "8.5/fix/.zip", Local(".zip").c_str()));
    wintest::Pump();
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"8.5/fix/.zip,文件不存在"});
    EXPECT_TRUE(PostedMessages().empty());
    EXPECT_EQ(state.finishedDownloads, 2);
    EXPECT_FALSE(wintest::Exists(Local(".zip")));
}

TEST_F(PackageDownload, ARuntimePackageArrivesWithItsStepAndTheBarOverItsSpan) {
    StartService();
    ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
    OpenInstallLog();
    state.finishedDownloads = 3;
    ASSERT_TRUE(DownloadFixPackage(state, "fix-8.5.0-sample.zip"));
    wintest::Pump();
    EXPECT_EQ(wintest::ReadBytes(Local("fix-8.5.0-sample.zip")),
              wintest::ReadBytes(ObjectPath("8.5/fix/fix-8.5.0-sample.zip")));
    EXPECT_EQ(state.finishedDownloads, 4);
    std::vector<Posted> posted = PostedMessages();
    ASSERT_GE(posted.size(), 2u);
    EXPECT_EQ(posted.front(), (Posted{WM_INSTALL_STEP, 4}));
    LPARAM highest = 0;
    for (size_t i = 1; i < posted.size(); ++i) {
        EXPECT_EQ(posted[i].message, WM_INSTALL_PROGRESS);
        EXPECT_GE(posted[i].value, 48);
        highest = std::max(highest, posted[i].value);
    }
    EXPECT_EQ(highest, 64);
    EXPECT_TRUE(LogTexts().empty());
    // The transfer settings of a download stay in force afterwards.
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    EXPECT_EQ(settings.GetDownloadSliceSize(), 65536u);
    EXPECT_EQ(settings.GetConnectTimeoutMs(), 120000u);
    EXPECT_EQ(settings.GetAsyncPoolThreads(), 2u);
}

TEST_F(PackageDownload, AFailedTransferCountsAndLogsTheServicesAnswer) {
    StartService({"status:503,key=8.5/base.zip,method=GET"});
    ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
    OpenInstallLog();
    EXPECT_FALSE(DownloadObject(state, "8.5/base.zip", Local("base.zip").c_str()));
    EXPECT_EQ(state.finishedDownloads, 1);
    std::vector<std::string> log = LogTexts();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("Downfile Fail,code:ServiceUnavailable,message:", 0), 0u) << log[0];
    EXPECT_NE(log[0].find(",requestId:"), std::string::npos) << log[0];
    EXPECT_NE(log[0].back(), ':') << "the request id is named: " << log[0];
}

TEST_F(PackageDownload, AQuantPackageGoesIntoTheStagingFolderWithItsOwnStep) {
    StartService();
    ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
    OpenInstallLog();
    ASSERT_TRUE(DownloadQuantPackage(state, "quant-8.5.0-sample.zip"));
    wintest::Pump();
    EXPECT_EQ(wintest::ReadBytes(Local("quant-8.5.0-sample.zip")),
              wintest::ReadBytes(ObjectPath("8.5/quant/quant-8.5.0-sample.zip")));
    ASSERT_FALSE(PostedMessages().empty());
    EXPECT_EQ(PostedMessages().front(), (Posted{WM_INSTALL_STEP, 5}));
}

}  // namespace
}  // namespace workflowtest
