// A file that another handle holds without sharing cannot be replaced: the user is asked whether
// to give up (Abort), try again (Retry) or keep the old file (Ignore).
#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "workflow/extract/unzip.h"
#include "zip_writer.h"

using wintest::ReadBytes;

namespace {

struct LockedCase {
    const char* what;
    std::vector<int> answers;
    bool result;
};

// "警告|无法覆盖文件"cfg\a.pub",该文件可能正被使用!\n是否终止升级?"
const char kExpectedBox[] =
    "\xE8\xAD\xA6\xE5\x91\x8A|\xE6\x97\xA0\xE6\xB3\x95\xE8\xA6\x86\xE7\x9B\x96\xE6\x96\x87\xE4\xBB"
    "\xB6\"cfg\\a.pub\",\xE8\xAF\xA5\xE6\x96\x87\xE4\xBB\xB6\xE5\x8F\xAF\xE8\x83\xBD\xE6\xAD\xA3"
    "\xE8\xA2\xAB\xE4\xBD\xBF\xE7\x94\xA8!\n\xE6\x98\xAF\xE5\x90\xA6\xE7\xBB\x88\xE6\xAD\xA2\xE5"
    "\x8D\x87\xE7\xBA\xA7?";

}  // namespace

TEST(UnzipLockedFile, TheUserChoosesAbortRetryOrIgnore) {
    const LockedCase cases[] = {
        {"Abort", {IDABORT}, false},
        {"Retry, then Abort", {IDRETRY, IDABORT}, false},
        {"Retry twice, then Ignore", {IDRETRY, IDRETRY, IDIGNORE}, true},
        {"Ignore", {IDIGNORE}, true},
    };
    for (const LockedCase& c : cases) {
        ExtractScratch s;
        ASSERT_TRUE(TUnzip::CreatePath((s / "out\\cfg\\").c_str()));
        ASSERT_TRUE(wintest::WriteBytes(s / "out\\cfg\\a.pub", "old"));
        ASSERT_TRUE(WriteTestZip(s / "p.zip", {{"cfg/a.pub", "new"}, {"after.txt", "a"}}));
        HANDLE lock = CreateFileA((s / "out\\cfg\\a.pub").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        bool result;
        size_t answered;
        {
            BoxAnswers answers(c.answers);
            result = TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str());
            answered = answers.Answered();
            std::vector<std::string> shown = BoxAnswers::Shown();
            for (const std::string& box : shown) EXPECT_EQ(box, kExpectedBox) << c.what;
        }
        CloseHandle(lock);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(answered, c.answers.size()) << c.what << ": one box per answer";
        EXPECT_EQ(ReadBytes(s / "out\\cfg\\a.pub"), "old") << c.what;
        EXPECT_EQ(wintest::Exists(s / "out\\after.txt"), c.result) << c.what;
    }
}

// Retry after the other program let go of the file replaces it (Wine: the answering thread
// closes the handle before it presses Retry).
TEST(UnzipLockedFile, RetryAfterTheFileWasReleasedReplacesIt) {
#ifndef _WIN32
    GTEST_SKIP() << "natively a box is answered at once; nothing runs between two answers";
#else
    ExtractScratch s;
    ASSERT_TRUE(TUnzip::CreatePath((s / "out\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(s / "out\\a.pub", "old"));
    ASSERT_TRUE(WriteTestZip(s / "p.zip", {{"a.pub", "new"}}));
    HANDLE lock = CreateFileA((s / "out\\a.pub").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        BoxAnswers answers({IDRETRY}, [lock] { CloseHandle(lock); });
        EXPECT_TRUE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()));
    }
    EXPECT_EQ(ReadBytes(s / "out\\a.pub"), "new");
#endif
}
