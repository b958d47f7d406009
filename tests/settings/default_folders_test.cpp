// The default folders and the console user's application-data folder.
#include "system/default_folders.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"
#include "system/product_settings.h"
#include "win_test_support.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

using wintest::TempFolder;

TEST(ProfileUser, TheUserReplacesWhatLiesBetweenTheSecondAndThirdBackslash) {
    struct Row {
        const char* path;
        const char* user;
        const char* expected;
    } rows[] = {
        {"C:\\Users\\admin\\AppData\\Roaming", "alice", "C:\\Users\\alice\\AppData\\Roaming"},
        {"C:\\Users\\administrator\\AppData\\Roaming", "al", "C:\\Users\\al\\AppData\\Roaming"},
        {"D:\\Profiles\\admin\\x", "alice", "D:\\Profiles\\alice\\x"},
        {"C:\\Users\\admin\\", "alice", "C:\\Users\\alice\\"},  // three backslashes are enough
        // No user name: unchanged.
        {"C:\\Users\\admin\\AppData\\Roaming", "", "C:\\Users\\admin\\AppData\\Roaming"},
        // Fewer than three backslashes: unchanged.
        {"C:\\Users\\admin", "alice", "C:\\Users\\admin"},
        {"C:\\Users", "alice", "C:\\Users"},
        {"Roaming", "alice", "Roaming"},
        {"", "alice", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PutUserInProfilePath(row.path, row.user), row.expected)
            << row.path << " / " << row.user;
}

TEST(DefaultFolders, AllFollowFromTheAppDataFolderAndThePackageCode) {
    ProductSettings s;
    ApplyDefaultFolders(s, "C:\\Users\\alice\\AppData\\Roaming", "654321");
    EXPECT_EQ(s.productFolderName, "Tallowind654321v8.5");
    EXPECT_EQ(s.installDir, "C:\\Users\\alice\\AppData\\Roaming\\Tallowind654321v8.5");
    // The staging folder is a sibling of the installation folder: no separator before "temp".
    EXPECT_EQ(s.stagingDir, "C:\\Users\\alice\\AppData\\Roaming\\Tallowind654321v8.5temp");
    EXPECT_EQ(s.logDir, "C:\\Users\\alice\\AppData\\Roaming\\tallowindlogV8.5");
    EXPECT_EQ(s.dependBaseDir, "C:\\Users\\alice\\AppData\\Roaming\\TallowindDependBaseV8.5");
}

TEST(DefaultFolders, LoadUsesStringResource103AndLeavesTheOtherFieldsAlone) {
    settingstest::UseTestStrings();
    ProductSettings s;
    s.packageCode = "999999";  // the folder name comes from the resource, not from this field
    s.brandName = "brand";
    s.languageId = 2052;
    LoadDefaultFolders(s);
    EXPECT_EQ(s.productFolderName, "Tallowind654321v8.5");
    std::string appData;
    GetConsoleUserAppDataDir(appData);
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(s.installDir, appData + "\\Tallowind654321v8.5");
    EXPECT_EQ(s.stagingDir, appData + "\\Tallowind654321v8.5temp");
    EXPECT_EQ(s.logDir, appData + "\\tallowindlogV8.5");
    EXPECT_EQ(s.dependBaseDir, appData + "\\TallowindDependBaseV8.5");
    EXPECT_EQ(s.packageCode, "999999");
    EXPECT_EQ(s.brandName, "brand");
    EXPECT_EQ(s.languageId, 2052);
}

TEST(ConsoleUserAppData, IsAppendedToTheGivenText) {
    std::string path = "prefix:";
    GetConsoleUserAppDataDir(path);
    std::string alone;
    GetConsoleUserAppDataDir(alone);
    EXPECT_EQ(path, "prefix:" + alone);
}

#ifndef _WIN32
namespace {

// The emulated machine of the native build: the installer runs as admin.
class ConsoleUser : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(settingstest::SetMachineSetting("account", "user", "admin"));
        ASSERT_EQ(RunningAccountAppDataDir(), "C:\\Users\\admin\\AppData\\Roaming");
    }
    void TearDown() override { winlayer::test::ClearConsoleUser(); }
    TempFolder dir;  // a fresh system root
};

}  // namespace

TEST_F(ConsoleUser, AdminRunningWhileAliceIsAtTheConsoleInstallsForAlice) {
    settingstest::UseTestStrings();
    winlayer::test::SetConsoleUser("alice");
    EXPECT_EQ(InteractiveUserName(), "alice");
    ProductSettings s;
    LoadDefaultFolders(s);
    EXPECT_EQ(s.installDir, "C:\\Users\\alice\\AppData\\Roaming\\Tallowind654321v8.5");
    EXPECT_EQ(s.stagingDir, "C:\\Users\\alice\\AppData\\Roaming\\Tallowind654321v8.5temp");
    EXPECT_EQ(s.logDir, "C:\\Users\\alice\\AppData\\Roaming\\tallowindlogV8.5");
}

TEST_F(ConsoleUser, WithoutAConsoleUserTheShellWindowsAccountIsUsed) {
    winlayer::test::SetConsoleUser("");
    ASSERT_TRUE(settingstest::SetMachineSetting("shell", "account", "bob"));
    EXPECT_EQ(InteractiveUserName(), "bob");
    std::string path;
    GetConsoleUserAppDataDir(path);
    EXPECT_EQ(path, "C:\\Users\\bob\\AppData\\Roaming");
}

TEST_F(ConsoleUser, NoConsoleUserAndNoShellWindowLeaveThePathUnchanged) {
    winlayer::test::SetConsoleUser("");
    ASSERT_EQ(GetShellWindow(), nullptr);
    EXPECT_EQ(InteractiveUserName(), "");
    std::string path;
    GetConsoleUserAppDataDir(path);
    EXPECT_EQ(path, "C:\\Users\\admin\\AppData\\Roaming");
}
#else
// Under Wine the console session's user is the account Wine runs as, and there is no other
// console user to set, so only the plain case is reachable: the path keeps its own account.
TEST(ConsoleUserAppData, UnderWineTheRunningAccountsFolderIsKept) {
    std::string own = RunningAccountAppDataDir();
    ASSERT_FALSE(own.empty());
    std::string path;
    GetConsoleUserAppDataDir(path);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), -1, own.c_str(), -1),
              CSTR_EQUAL)
        << path << " / " << own << " / user " << InteractiveUserName();
}
#endif
