// The folder picker. Natively it is answered by the test interface or the system root's answers
// file; a real picker would wait for a person, so under Windows these tests are skipped.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/posix/dialogs.h"
#include "platform/posix/test_interface.h"
#endif
#include "platform/win32.h"

namespace {

#ifndef _WIN32
struct FolderPicker : ::testing::Test {
    void SetUp() override { winlayer::ResetFolderPicker(); }
    void TearDown() override { winlayer::ResetFolderPicker(); }

    // Runs a picker; the path it chose ("" when cancelled) and its display name.
    std::string Pick(const char* title, std::string* displayName = nullptr) {
        char name[MAX_PATH] = "unchanged";
        BROWSEINFOA info{};
        info.pszDisplayName = name;
        info.lpszTitle = title;
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
        if (displayName) *displayName = name;
        if (!chosen) return "";
        char path[MAX_PATH] = "";
        EXPECT_TRUE(SHGetPathFromIDListA(chosen, path));
        IMalloc* allocator = nullptr;
        EXPECT_EQ(SHGetMalloc(&allocator), S_OK);
        allocator->Free(chosen);
        return path;
    }
    static std::string RootFile(const char* name) {
        return std::string(getenv("OBJSTORE_SYSROOT")) + "/" + name;
    }
};
#endif

}  // namespace

#ifndef _WIN32
TEST_F(FolderPicker, QueuedAnswersComeBackInOrderAndEmptyCancels) {
    winlayer::test::QueueFolderAnswer("D:\\Trading\\Platform");
    winlayer::test::QueueFolderAnswer("");
    std::string name;
    EXPECT_EQ(Pick("Where to install", &name), "D:\\Trading\\Platform");
    EXPECT_EQ(name, "Platform");
    EXPECT_EQ(Pick("Second"), "");
    EXPECT_EQ(Pick("Nothing queued"), "");
    EXPECT_EQ(winlayer::test::FolderPickerTitles(),
              (std::vector<std::string>{"Where to install", "Second", "Nothing queued"}));
}

TEST_F(FolderPicker, TheAnswersFileServesSeparatelyStartedProgramsAndEveryPickerIsLogged) {
    std::ofstream(RootFile("folder-answers.txt")) << "C:\\Apps\\One\r\n\nC:\\Apps\\Two\n";
    std::remove(RootFile("folder-picker-log.txt").c_str());
    EXPECT_EQ(Pick("a"), "C:\\Apps\\One");
    EXPECT_EQ(Pick("b"), "");  // the empty line
    winlayer::test::QueueFolderAnswer("E:\\Queued");
    EXPECT_EQ(Pick("c"), "E:\\Queued");  // queued answers come first
    EXPECT_EQ(Pick("d"), "C:\\Apps\\Two");
    EXPECT_EQ(Pick("e"), "");  // used up
    std::stringstream log;
    log << std::ifstream(RootFile("folder-picker-log.txt")).rdbuf();
    EXPECT_EQ(log.str(), "C:\\Apps\\One\ta\n\tb\nE:\\Queued\tc\nC:\\Apps\\Two\td\n\te\n");
}
#else
TEST(FolderPicker, AnswersComeFromThePerson) {
    GTEST_SKIP() << "the real folder picker waits for a person; nothing answers it in a test";
}
#endif
