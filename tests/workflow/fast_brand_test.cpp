// A brand whose storage.ini asks for the fast transfer profile and 256 KiB slices
// (fast_brand/storage.ini, compiled in by the build): its client is set up for
// them, and a package download runs with them.
#include <gtest/gtest.h>

#include <mutex>

#include "util/cos_global_settings.h"
#include "workflow/package_download.h"
#include "workflow/storage_brand.h"
#include "workflow_fixture.h"

namespace workflowtest {
namespace {

TEST(FastBrand, TheGeneratedSettingsAreTheBrandFolders) {
    EXPECT_TRUE(BuildStorageTransfer().fast);
    EXPECT_EQ(BuildStorageTransfer().sliceSize, 262144u);
}

class FastBrandDownload : public WorkflowTest {};

TEST_F(FastBrandDownload, ThePackageComesWithTheBrandsProfileAndSliceSize) {
    // The fixture created the client, which chose the brand's profile.
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    EXPECT_EQ(settings.GetTransferProfile(), objstore::TransferProfile::Fast);

    std::mutex lock;
    std::vector<std::string> lines;
    settings.SetLogOutput(0);
    settings.SetLogLevel(4);
    settings.SetLogCallback([&](const std::string& line) {
        std::lock_guard<std::mutex> guard(lock);
        lines.push_back(line);
    });
    StartService();
    ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
    const std::string local = stagingDir + "/fix-8.5.0-sample.zip";
    const bool downloaded = DownloadFixPackage(state, "fix-8.5.0-sample.zip");
    settings.SetLogCallback(nullptr);
    ASSERT_TRUE(downloaded);
    EXPECT_EQ(wintest::ReadBytes(local),
              wintest::ReadBytes(ObjectPath("8.5/fix/fix-8.5.0-sample.zip")));
    EXPECT_EQ(settings.GetDownloadSliceSize(), 262144u);

    bool started = false, batched = false;
    for (const std::string& line : lines) {
        if (line.find("download data,url=") != std::string::npos) {
            started = true;
            EXPECT_NE(line.find("slice_size=262144,"), std::string::npos) << line;
        }
        // Only the standard profile runs batches.
        if (line.find("down data, offset=") != std::string::npos) batched = true;
    }
    EXPECT_TRUE(started);
    EXPECT_FALSE(batched);
}

}  // namespace
}  // namespace workflowtest
