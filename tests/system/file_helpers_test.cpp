#include "system/file_helpers.h"

#include <gtest/gtest.h>

#include "win_test_support.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

using wintest::Exists;
using wintest::TempFolder;

TEST(MakeDirs, CreatesFoldersUpToTheLastBackslash) {
    TempFolder dir;
    EXPECT_TRUE(MakeDirs((dir / "a\\b\\c\\").c_str()));
    EXPECT_TRUE(Exists(dir / "a\\b\\c"));
    EXPECT_TRUE(MakeDirs((dir / "d\\e\\file.txt").c_str()));
    EXPECT_TRUE(Exists(dir / "d\\e"));
    EXPECT_FALSE(Exists(dir / "d\\e\\file.txt"));
    EXPECT_TRUE(MakeDirs("no-backslash"));
    EXPECT_FALSE(Exists("no-backslash"));
    std::string tooLong = dir.Path() + "\\" + std::string(300, 'x') + "\\";
    EXPECT_FALSE(MakeDirs(tooLong.c_str()));
}

TEST(MakeDirs, ReportsTheFolderItCannotCreate) {
    if (wintest::UnderWine()) GTEST_SKIP() << "a message box under Wine waits for a user";
#ifndef _WIN32
    TempFolder dir;
    winlayer::test::ResetDialogs();
    ASSERT_TRUE(wintest::WriteBytes(dir / "file", "x"));
    EXPECT_FALSE(MakeDirs((dir / "file\\sub\\x.txt").c_str()));
    // One box: the first prefix that cannot be made, under the caption 提示.
    auto boxes = winlayer::test::MessageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].type, UINT(MB_OK));
    EXPECT_EQ(boxes[0].caption, L"\u63D0\u793A");
    EXPECT_EQ(boxes[0].text, wintest::Wide(dir / "file\\"));
    winlayer::test::ResetDialogs();
#endif
}

TEST(DeletePath, RemovesATreeForGoodAndNothingElse) {
    TempFolder dir;
    ASSERT_TRUE(MakeDirs((dir / "install\\config\\empty\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(dir / "install\\config\\a.pub", "a"));
    ASSERT_TRUE(wintest::WriteBytes(dir / "installtemp", "sibling"));
    EXPECT_TRUE(DeletePath((dir / "install").c_str()));
    EXPECT_FALSE(Exists(dir / "install"));
    EXPECT_TRUE(Exists(dir / "installtemp"));
    // Forward slashes as the worker writes them.
    ASSERT_TRUE(wintest::WriteBytes(dir / "summary.ini", "s"));
    EXPECT_TRUE(DeletePath((dir.Path() + "/summary.ini").c_str()));
    EXPECT_FALSE(Exists(dir / "summary.ini"));
    EXPECT_FALSE(DeletePath((dir / "missing").c_str()));
}

TEST(DeletePath, RefusesPathsThatReachBeyondOneName) {
    TempFolder dir;
    ASSERT_TRUE(wintest::WriteBytes(dir / "keep1.txt", "1"));
    ASSERT_TRUE(MakeDirs((dir / "sub\\").c_str()));
    const std::string refused[] = {
        "", "C:", "C:\\", "Z:\\", dir / "*", dir / "keep?.txt", dir / "sub\\..", "relative\\path"};
    for (const auto& path : refused) {
        EXPECT_EQ(DeletablePath(path.c_str()), "") << path;
        EXPECT_FALSE(DeletePath(path.c_str())) << path;
    }
    EXPECT_FALSE(DeletePath(nullptr));
    EXPECT_TRUE(Exists(dir / "keep1.txt"));
    EXPECT_TRUE(Exists(dir / "sub"));
    EXPECT_EQ(DeletablePath("C:/a/b/"), "C:\\a\\b");
}

// Every spelling of a drive root is refused, so a recursive delete can never take a whole drive.
TEST(DeletePath, RefusesEverySpellingOfADriveRoot) {
    TempFolder dir;
    const std::string roots[] = {
        "C:",           "C:\\",        "C:/",         "C:\\.",        "C:\\.\\",
        "C:\\..",       "C:\\x\\..",   "C:\\x\\..\\", "C:\\.\\x\\..", "c:\\.",
        "c:/./",        "C:\\\\",      "C:\\\\\\.",   "C://",         "C:/\\/.",
        "C:\\...",      "C:\\. ",      "C:\\.. ",     "C:\\x\\.. ",   "\\\\?\\C:\\",
        "\\\\?\\C:\\.", "\\\\.\\C:\\", "Z:\\.",       "z:\\\\.\\\\",  "C:\\x\\..\\..\\y",
        "C:\\x:\\",     "C:.",         "C:x",
    };
    // Checked first without deleting: only a refused path goes on to DeletePath itself.
    bool allRefused = true;
    for (const auto& path : roots) {
        EXPECT_EQ(DeletablePath(path.c_str()), "") << path;
        allRefused = allRefused && DeletablePath(path.c_str()).empty();
    }
    ASSERT_TRUE(allRefused);
    for (const auto& path : roots) EXPECT_FALSE(DeletePath(path.c_str())) << path;
    EXPECT_TRUE(Exists("C:\\windows"));
    EXPECT_TRUE(Exists(dir.Path()));
}

TEST(DeletePath, NamesBelowARootKeepTheirNormalForm) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:/a/b/", "C:\\a\\b"},
        {"C:\\a\\\\b\\\\", "C:\\a\\b"},
        {"c:\\.\\a\\.\\b\\.", "c:\\a\\b"},
        {"C:\\\\\\a", "C:\\a"},
        {"D:\\\xB1\\\\x", "D:\\\xB1\\\\x"},  // 0x5C as the second byte of a code page 936 character
    };
    for (const auto& c : cases) EXPECT_EQ(DeletablePath(c.in), c.out) << c.in;
}

TEST(IsFolderEmpty, CountsSubfoldersOnly) {
    TempFolder dir;
    ASSERT_TRUE(MakeDirs((dir / "files\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(dir / "files\\a.txt", "a"));
    ASSERT_TRUE(MakeDirs((dir / "folders\\empty\\").c_str()));
    EXPECT_TRUE(IsFolderEmpty((dir / "files").c_str()));
    EXPECT_FALSE(IsFolderEmpty((dir / "folders").c_str()));
    EXPECT_TRUE(IsFolderEmpty((dir / "folders\\empty").c_str()));
    EXPECT_TRUE(IsFolderEmpty((dir / "missing").c_str()));
}
