// Paths, files, folders, times and enumeration, as the installer relies on them.
#include <gtest/gtest.h>

#include <set>

#include "win_test_support.h"

using wintest::TempFolder;

TEST(WinPaths, SpellingsOfOnePathReachTheSameFile) {
    TempFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "x").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(dir / "x\\b.txt", "b"));
    for (const char* spelling : {"x\\b.txt", "x/b.txt", "x\\.\\b.txt", "x\\..\\x\\b.txt",
                                 "x\\\\b.txt", "x\\missing\\..\\b.txt"})
        EXPECT_EQ(wintest::ReadBytes(dir / spelling), "b") << spelling;
    // ".." above the drive's root stays at the root.
    DWORD attributes = GetFileAttributesA("C:\\..\\..\\windows");
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(WinFiles, ExistingNamesAreFoundWithoutRegardToCase) {
    TempFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "MixedCase").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(dir / "MixedCase\\File.TXT", "content"));
    EXPECT_EQ(wintest::ReadBytes(dir / "mixedcase\\FILE.txt"), "content");
    // A new file in an existing folder joins that folder, not a second one.
    ASSERT_TRUE(wintest::WriteBytes(dir / "MIXEDCASE\\second.txt", "2"));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir / "*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::set<std::string> names;
    do names.insert(data.cFileName);
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    FindClose(find);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "MixedCase"}));
}

TEST(WinFiles, CreationReportsWindowsErrors) {
    TempFolder dir;
    std::string folder = dir / "sub";
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA((dir / "missing\\x").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    std::string file = dir / "sub\\f.bin";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    // A second open of a file held without sharing is refused.
    HANDLE again = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(again, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(h);
    h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);

    EXPECT_EQ(CreateFileA((dir / "nope.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

    EXPECT_EQ(_access(folder.c_str(), 0), 0);
    EXPECT_EQ(_access((dir / "nope").c_str(), 0), -1);
    EXPECT_EQ(_mkdir((dir / "made").c_str()), 0);
    EXPECT_EQ(_mkdir((dir / "made").c_str()), -1);
}

TEST(WinFiles, FolderMovesInOneStepAndRefusesAnExistingTarget) {
    TempFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "from").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(dir / "from\\a.txt", "a"));
    ASSERT_TRUE(CreateDirectoryA((dir / "busy").c_str(), nullptr));
    EXPECT_FALSE(MoveFileA((dir / "from").c_str(), (dir / "busy").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileA((dir / "from").c_str(), (dir / "to").c_str()));
    EXPECT_EQ(wintest::ReadBytes(dir / "to\\a.txt"), "a");
    EXPECT_FALSE(wintest::Exists(dir / "from"));
}

TEST(WinFiles, FindReportsMissingFolderAndNoMatchApart) {
    TempFolder dir;
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((dir / "none\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((dir / "zz*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(wintest::WriteBytes(dir / "Report.TXT", "12345"));
    HANDLE find = FindFirstFileA((dir / "*.txt").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Report.TXT");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(find);
}

TEST(WinFiles, ShellDeleteRemovesATreeAndReportsAMissingPath) {
    TempFolder dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "tree").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "tree\\empty").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(dir / "tree\\f.txt", "f"));
    ASSERT_TRUE(wintest::WriteBytes(dir / "keep.txt", "k"));
    std::string from = dir / "tree";
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    EXPECT_EQ(SHFileOperationA(&op), 0);
    EXPECT_FALSE(wintest::Exists(dir / "tree"));
    EXPECT_TRUE(wintest::Exists(dir / "keep.txt"));
    EXPECT_NE(SHFileOperationA(&op), 0);  // already gone
}

namespace {
FILETIME FileTimeOfTicks(uint64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = DWORD(ticks & 0xFFFFFFFFu);
    ft.dwHighDateTime = DWORD(ticks >> 32);
    return ft;
}
uint64_t TicksOf(const FILETIME& ft) {
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
}  // namespace

// The creation and write times set through a handle are what both the handle and the folder
// listing report afterwards, to the 100 ns tick.
TEST(WinFiles, SetFileTimesReadBackThroughTheHandleAndTheListing) {
    const uint64_t created = 132341967301234567ull;  // 2020-05-17 13:45:30.1234567 UTC
    const uint64_t written = 132590592001234567ull;  // 2021-03-01 08:00:00.1234567 UTC
    TempFolder dir;
    std::string file = dir / "stamped.txt";
    ASSERT_TRUE(wintest::WriteBytes(file, "x"));
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME setCreated = FileTimeOfTicks(created), setWritten = FileTimeOfTicks(written);
    ASSERT_TRUE(SetFileTime(h, &setCreated, nullptr, &setWritten));
    CloseHandle(h);

    h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                    nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME creation, access, write;
    ASSERT_TRUE(GetFileTime(h, &creation, &access, &write));
    CloseHandle(h);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(file.c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);

    EXPECT_EQ(TicksOf(write), written);
    EXPECT_EQ(TicksOf(data.ftLastWriteTime), written);
    EXPECT_EQ(TicksOf(data.ftLastAccessTime), TicksOf(access));
    EXPECT_EQ(TicksOf(data.ftCreationTime), TicksOf(creation))
        << "the handle and the listing agree";
    if (wintest::UnderWine())
        GTEST_SKIP() << "Wine keeps no creation time set by SetFileTime on a Unix file system";
    EXPECT_EQ(TicksOf(creation), created);
}

// The full form of an archive path: "." and ".." resolved, "/" made "\", the file part found; a
// buffer that is too small gets nothing and the answer is the size needed.
TEST(WinFiles, FullPathNameResolvesDotsAndFindsTheFilePart) {
    TempFolder dir;
    std::string given = dir.Path() + "\\a\\.\\b\\..\\pkg/base.zip";
    char full[MAX_PATH];
    char* filePart = nullptr;
    DWORD n = GetFullPathNameA(given.c_str(), MAX_PATH, full, &filePart);
    std::string expected = dir / "a\\pkg\\base.zip";
    ASSERT_EQ(n, expected.size());
    EXPECT_EQ(std::string(full), expected);
    ASSERT_NE(filePart, nullptr);
    EXPECT_STREQ(filePart, "base.zip");

    char small[8];
    EXPECT_EQ(GetFullPathNameA(given.c_str(), sizeof small, small, nullptr), expected.size() + 1);
    EXPECT_EQ(GetFullPathNameA("", MAX_PATH, full, nullptr), 0u);
}
