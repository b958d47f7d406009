// Putting the new version in place of the old one: the old installation stays (set aside) until
// the new one is in, and comes back when the new one cannot be put in place.
#include "workflow/folder_swap.h"

#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "system/install_log.h"
#include "system/product_settings.h"
#include "win_test_support.h"
#include "workflow_fixture.h"

namespace {

using wintest::Exists;
using wintest::ReadBytes;
using wintest::WriteBytes;

// The whole install log as one text.
std::string LogText(const std::string& logDir) {
    std::string text;
    for (const std::string& line : workflowtest::InstallLogTexts(logDir)) text += line + "\n";
    return text;
}

// A folder on another file system than the scratch folder's (a rename between the two fails as
// between two volumes): /dev/shm, reached through Z: in both builds. Empty when there is none.
std::string OtherVolumeFolder(const wintest::TempFolder& scratch) {
    std::string out;
    // No double quotes: the command travels inside them.
    if (!wintest::RunHostShell("test $(stat -c %d /dev/shm) != $(stat -c %d '" +
                                   wintest::HostPathOf(wintest::Wide(scratch.Path())) +
                                   "') && mktemp -d /dev/shm/objstore-swap.XXXXXX",
                               out, scratch))
        return "";
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return wintest::WindowsPathOfHost(out);
}

class FolderSwapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProductSettings::Instance().logDir = dir / "logs";
        OpenInstallLog();
        staging = dir / "Producttemp";
        ASSERT_TRUE(CreateDirectoryA(staging.c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(staging + "\\new.txt", "the new version"));
        ASSERT_TRUE(CreateDirectoryA((staging + "\\sub").c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(staging + "\\sub\\deep.txt", "deep"));
        Use(dir / "Product");
    }
    void TearDown() override {
        CloseInstallLog();
        if (!otherVolume.empty()) wintest::RemoveTree(otherVolume);
        ProductSettings::Instance() = ProductSettings();
    }
    void Use(const std::string& installFolder) {
        install = installFolder;
        swap = MakeFolderSwap(staging, install);
    }
    void WriteOldInstallation() {
        ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(install + "\\old.txt", "the old version"));
    }
    // Installs into a folder on another volume, where the rename cannot go; false when this
    // machine has no second file system to offer.
    bool UseOtherVolume() {
        otherVolume = OtherVolumeFolder(dir);
        if (otherVolume.empty()) return false;
        Use(otherVolume + "\\Product");
        return true;
    }
    std::vector<std::string> NewTree() const { return {"new.txt", "sub\\", "sub\\deep.txt"}; }

    wintest::TempFolder dir;
    std::string staging, install, otherVolume;
    FolderSwap swap;
};

TEST(FolderSwapNames, CopyCommandAndBackupFolder) {
    EXPECT_EQ(CopyCommandLine("C:\\A temp", "C:\\A"),
              "cmd.exe /c XCOPY \"C:\\A temp\" \"C:\\A\\\" /S /E /Y /C");
    EXPECT_EQ(CopyCommandLine(std::string(1000, 'x'), "C:\\A"), "") << "longer than 1023 bytes";
}

TEST_F(FolderSwapTest, TheRenameReplacesTheOldInstallationWhichGoesOnlyAtTheEnd) {
    WriteOldInstallation();
    ASSERT_TRUE(SetOldInstallationAside(swap));
    EXPECT_EQ(swap.backup, install + ".old");
    EXPECT_EQ(ReadBytes(install + ".old\\old.txt"), "the old version");
    ASSERT_TRUE(MoveNewVersionIn(swap));
    EXPECT_FALSE(swap.copied);
    EXPECT_EQ(TreeOf(install), NewTree());
    EXPECT_TRUE(Exists(install + ".old")) << "kept until the new version is in place";
    DiscardOldInstallation(swap);
    EXPECT_FALSE(Exists(install + ".old"));
    EXPECT_FALSE(Exists(staging));
}

TEST_F(FolderSwapTest, AFirstInstallationHasNothingToSetAside) {
    ASSERT_TRUE(SetOldInstallationAside(swap));
    EXPECT_FALSE(swap.setAside);
    ASSERT_TRUE(MoveNewVersionIn(swap));
    DiscardOldInstallation(swap);
    EXPECT_EQ(TreeOf(install), NewTree());
}

TEST_F(FolderSwapTest, AFolderThatAlreadyBearsTheBackupNameIsNeverTouched) {
    WriteOldInstallation();
    ASSERT_TRUE(CreateDirectoryA((install + ".old").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(install + ".old\\mine.txt", "the user's"));
    ASSERT_TRUE(SetOldInstallationAside(swap));
    EXPECT_EQ(swap.backup, install + ".old2");
    ASSERT_TRUE(MoveNewVersionIn(swap));
    DiscardOldInstallation(swap);
    EXPECT_EQ(ReadBytes(install + ".old\\mine.txt"), "the user's");
    EXPECT_FALSE(Exists(install + ".old2"));
}

TEST_F(FolderSwapTest, AcrossVolumesTheCopyPutsTheNewVersionInAndTheOldOneGoes) {
    if (!UseOtherVolume()) GTEST_SKIP() << "no second file system (/dev/shm) on this machine";
    WriteOldInstallation();
    ASSERT_TRUE(SetOldInstallationAside(swap));
    ASSERT_TRUE(MoveNewVersionIn(swap));
    EXPECT_TRUE(swap.copied);
    EXPECT_EQ(swap.copyExitCode, 0u);
    EXPECT_EQ(TreeOf(install), NewTree());
    EXPECT_TRUE(Exists(staging)) << "the copy's source stays until the end";
    DiscardOldInstallation(swap);
    EXPECT_FALSE(Exists(staging));
    EXPECT_FALSE(Exists(install + ".old"));
}

TEST_F(FolderSwapTest, AFailedCopyPutsTheOldInstallationBackAndKeepsTheNewVersion) {
    if (!UseOtherVolume()) GTEST_SKIP() << "no second file system (/dev/shm) on this machine";
    const struct {
        const char* command;
        const char* logged;
    } rows[] = {
        // A copy that ran and failed (exit code 4, as XCOPY's for a bad target).
        {"cmd.exe /c exit 4", "复制失败,退出码:4"},
        // A copy that could not be started.
        {"no-such-copy-program.exe", "复制命令无法启动,错误码:2"},
    };
    WriteOldInstallation();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        Use(install);
        swap.copyCommand = row.command;
        ASSERT_TRUE(SetOldInstallationAside(swap));
        EXPECT_FALSE(MoveNewVersionIn(swap));
        EXPECT_FALSE(swap.copied);
        EXPECT_EQ(TreeOf(install), std::vector<std::string>{"old.txt"});
        EXPECT_FALSE(Exists(install + ".old"));
        EXPECT_EQ(TreeOf(staging), NewTree());
        EXPECT_NE(LogText(dir / "logs").find(row.logged), std::string::npos) << row.logged;
    }
}

TEST_F(FolderSwapTest, XcopyFailingForAnUnreachableTargetIsAFailure) {
    if (wintest::UnderWine())
        GTEST_SKIP() << "Wine's XCOPY never ends when the target's parent is a file (it spins)";
    // The install folder lies below a file: neither the rename nor XCOPY can make it.
    ASSERT_TRUE(WriteBytes(dir / "blocker", "a file, not a folder"));
    Use(dir / "blocker\\Product");
    ASSERT_TRUE(SetOldInstallationAside(swap));
    EXPECT_FALSE(MoveNewVersionIn(swap));
    EXPECT_NE(swap.copyExitCode, 0u);
    EXPECT_EQ(ReadBytes(dir / "blocker"), "a file, not a folder");
    EXPECT_EQ(TreeOf(staging), NewTree());
}

}  // namespace
