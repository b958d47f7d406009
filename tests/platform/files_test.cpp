// Paths, files, folders, times and enumeration, as the installer relies on them.
#include <gtest/gtest.h>

#include <set>

#include "win_test_support.h"

using wintest::TempFolder;

TEST(WinPaths, FullPathNamesAreNormalised) {
    struct Case {
        const char* in;
        const char* out;
        const char* filePart;
    } cases[] = {
        {"Z:\\tmp\\..\\tmp\\.\\x\\", "Z:\\tmp\\x\\", nullptr},
        {"Z:/tmp/a/b.txt", "Z:\\tmp\\a\\b.txt", "b.txt"},
        {"C:\\a\\\\b", "C:\\a\\b", "b"},
        {"C:\\..\\..", "C:\\", nullptr},
    };
    for (const auto& c : cases) {
        char buffer[MAX_PATH];
        char* part = nullptr;
        DWORD n = GetFullPathNameA(c.in, MAX_PATH, buffer, &part);
        EXPECT_EQ(n, strlen(c.out)) << c.in;
        EXPECT_STREQ(buffer, c.out) << c.in;
        if (c.filePart)
            EXPECT_STREQ(part, c.filePart) << c.in;
        else
            EXPECT_EQ(part, nullptr) << c.in;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("C:\\abc\\def", sizeof small, small, nullptr), 11u);  // with NUL
}

TEST(WinPaths, SplitPathGivesDriveFolderNameAndExtension) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath("Z:\\tmp\\a.b\\c.txt", drive, dir, name, ext);
    EXPECT_STREQ(drive, "Z:");
    EXPECT_STREQ(dir, "\\tmp\\a.b\\");
    EXPECT_STREQ(name, "c");
    EXPECT_STREQ(ext, ".txt");
    _splitpath("noext", drive, dir, name, ext);
    EXPECT_STREQ(drive, "");
    EXPECT_STREQ(dir, "");
    EXPECT_STREQ(name, "noext");
    EXPECT_STREQ(ext, "");
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

TEST(WinFiles, ZipEntryTimesBecomeCreationAndWriteTimes) {
    // 2020-05-17 13:45:30 as an MS-DOS date and time.
    WORD date = WORD(((2020 - 1980) << 9) | (5 << 5) | 17);
    WORD time = WORD((13 << 11) | (45 << 5) | (30 / 2));
    FILETIME local, utc;
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &local));
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    EXPECT_EQ(st.wYear, 2020);
    EXPECT_EQ(st.wMonth, 5);
    EXPECT_EQ(st.wDay, 17);
    EXPECT_EQ(st.wDayOfWeek, 0);  // a Sunday
    EXPECT_EQ(st.wHour, 13);
    EXPECT_EQ(st.wMinute, 45);
    EXPECT_EQ(st.wSecond, 30);
    EXPECT_FALSE(DosDateTimeToFileTime(WORD((40 << 9) | (13 << 5) | 1), 0, &local));  // month 13
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    FILETIME back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &back));
    EXPECT_EQ(back.dwLowDateTime, local.dwLowDateTime);

    TempFolder dir;
    std::string file = dir / "stamped.txt";
    ASSERT_TRUE(wintest::WriteBytes(file, "x"));
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(h, &created, &accessed, &written));
    ASSERT_TRUE(SetFileTime(h, &utc, &accessed, &utc));
    CloseHandle(h);
    h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                    nullptr);
    ASSERT_TRUE(GetFileTime(h, &created, &accessed, &written));
    CloseHandle(h);
    EXPECT_EQ(created.dwLowDateTime, utc.dwLowDateTime);
    EXPECT_EQ(created.dwHighDateTime, utc.dwHighDateTime);
    EXPECT_EQ(written.dwLowDateTime, utc.dwLowDateTime);
    EXPECT_EQ(written.dwHighDateTime, utc.dwHighDateTime);
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

TEST(WinPaths, RelativePathsFollowTheCurrentFolder) {
    TempFolder dir;
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    char buffer[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, buffer), 0u);
    EXPECT_EQ(_stricmp(buffer, dir.Path().c_str()), 0) << buffer;
    EXPECT_GT(GetFullPathNameA("a\\..\\b.txt", MAX_PATH, buffer, nullptr), 0u);
    EXPECT_EQ(_stricmp(buffer, (dir / "b.txt").c_str()), 0) << buffer;
    ASSERT_TRUE(wintest::WriteBytes(std::string("rel.txt"), "r"));
    EXPECT_EQ(wintest::ReadBytes(dir / "rel.txt"), "r");
    EXPECT_TRUE(SetCurrentDirectoryA(saved));
    EXPECT_FALSE(SetCurrentDirectoryA((dir / "missing").c_str()));
}
