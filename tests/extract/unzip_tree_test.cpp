// What a sound archive turns into: the tree, folder entries, names with either separator, the
// files' times and contents, an existing file replaced.
#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "workflow/extract/unzip.h"
#include "zip_writer.h"

using wintest::Exists;
using wintest::ReadBytes;

namespace {

using Tree = std::vector<std::string>;

Tree Unzipped(const ExtractScratch& s, const std::vector<TestEntry>& entries) {
    EXPECT_TRUE(WriteTestZip(s / "p.zip", entries));
    EXPECT_TRUE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()));
    return TreeOf(s / "out");
}

uint64_t TicksOf(const FILETIME& ft) {
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

TEST(UnzipTree, SlashAndBackslashNamesMakeTheSameTree) {
    const Tree expected = {"cfg\\", "cfg\\srv\\", "cfg\\srv\\a.pub", "top.txt"};
    for (const char* separator : {"/", "\\"}) {
        ExtractScratch s;
        std::string sep = separator;
        Tree tree = Unzipped(s, {{"top.txt", "top"}, {"cfg" + sep + "srv" + sep + "a.pub", "A"}});
        EXPECT_EQ(tree, expected) << "separator " << separator;
        EXPECT_EQ(ReadBytes(s / "out\\cfg\\srv\\a.pub"), "A");
    }
}

// Info-ZIP's zip, a peer: its folder entries end in "/" and its attributes carry Unix modes.
TEST(UnzipTree, AnArchiveMadeByInfoZipGivesTheSameTree) {
    ExtractScratch s;
    ASSERT_TRUE(TUnzip::CreatePath((s / "src\\cfg\\srv\\").c_str()));
    ASSERT_TRUE(TUnzip::CreatePath((s / "src\\empty\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(s / "src\\a.txt", "a"));
    ASSERT_TRUE(wintest::WriteBytes(s / "src\\cfg\\srv\\b.pub", std::string(5000, 'b')));
    std::string src = wintest::HostPathOf(wintest::Wide(s / "src"));
    std::string zip = wintest::HostPathOf(wintest::Wide(s / "p.zip"));
    std::string output;
    ASSERT_TRUE(
        wintest::RunHostShell("cd '" + src + "' && zip -qr '" + zip + "' .", output, s.Dir()))
        << output;
    EXPECT_TRUE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()));
    EXPECT_EQ(TreeOf(s / "out"), TreeOf(s / "src"));
    EXPECT_EQ(TreeOf(s / "out"),
              (Tree{"a.txt", "cfg\\", "cfg\\srv\\", "cfg\\srv\\b.pub", "empty\\"}));
    EXPECT_EQ(ReadBytes(s / "out\\cfg\\srv\\b.pub"), std::string(5000, 'b'));
}

TEST(UnzipTree, FolderEntriesMakeFoldersWithOrWithoutTheAttribute) {
    ExtractScratch s;
    TestEntry attributeOnly{"empty", ""};
    attributeOnly.directoryAttribute = true;
    TestEntry slashOnly{"slashed/", ""};  // as written by archivers that set no attribute
    TestEntry both{"both/", ""};
    both.directoryAttribute = true;
    Tree tree = Unzipped(s, {attributeOnly, slashOnly, both, {"deep/er/f.txt", "f"}});
    EXPECT_EQ(tree,
              (Tree{"both\\", "deep\\", "deep\\er\\", "deep\\er\\f.txt", "empty\\", "slashed\\"}));
    EXPECT_TRUE(BoxAnswers::Shown().empty()) << "no question for a folder entry";
}

TEST(UnzipTree, ReplacesAnExistingFileAndGivesItTheEntrysTime) {
    ExtractScratch s;
    ASSERT_TRUE(TUnzip::CreatePath((s / "out\\cfg\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(s / "out\\cfg\\a.pub", "old and longer content"));
    TestEntry entry{"cfg/a.pub", "new"};
    entry.dosDateTime = 0x526428C4;  // 2021-03-04 05:06:08 local time
    Unzipped(s, {entry});
    EXPECT_EQ(ReadBytes(s / "out\\cfg\\a.pub"), "new");

    FILETIME local, expected;
    ASSERT_TRUE(DosDateTimeToFileTime(0x5264, 0x28C4, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &expected));
    HANDLE h = CreateFileA((s / "out\\cfg\\a.pub").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME creation, access, write;
    ASSERT_TRUE(GetFileTime(h, &creation, &access, &write));
    CloseHandle(h);
    EXPECT_EQ(TicksOf(write), TicksOf(expected));
    if (wintest::UnderWine())
        GTEST_SKIP() << "Wine keeps no creation time set by SetFileTime on a Unix file system";
    EXPECT_EQ(TicksOf(creation), TicksOf(expected));
}

TEST(UnzipTree, AStampThatIsNoDateLeavesTheTimesAsTheyAre) {
    ExtractScratch s;
    TestEntry entry{"a.txt", "a"};
    entry.dosDateTime = 0x52040000;  // month 0
    Unzipped(s, {entry});
    EXPECT_EQ(ReadBytes(s / "out\\a.txt"), "a");
}

TEST(UnzipTree, OpenArchiveRefusesWhatIsNoArchiveAndRemembersItsFolder) {
    ExtractScratch s;
    TUnzip unzip;
    EXPECT_FALSE(unzip.OpenArchive(nullptr));
    EXPECT_FALSE(unzip.OpenArchive(""));
    EXPECT_FALSE(unzip.OpenArchive((s / "missing.zip").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(s / "text.zip", "no zip at all"));
    EXPECT_FALSE(unzip.OpenArchive((s / "text.zip").c_str()));
    EXPECT_FALSE(unzip.ExtractAll((s / "out").c_str())) << "nothing open";

    ASSERT_TRUE(TUnzip::CreatePath((s / "sub").c_str()));
    ASSERT_TRUE(WriteTestZip(s / "sub\\p.zip", {{"here.txt", "h"}}));
    ASSERT_TRUE(unzip.OpenArchive((s / "sub\\.\\p.zip").c_str()));
    EXPECT_TRUE(unzip.ExtractCurrent(nullptr)) << "a null destination is the archive's folder";
    EXPECT_EQ(ReadBytes(s / "sub\\here.txt"), "h");
    ASSERT_TRUE(WriteTestZip(s / "empty.zip", {}));
    EXPECT_FALSE(TUnzip::UnzipToFolder((s / "empty.zip").c_str(), (s / "out").c_str()));
}

TEST(UnzipTree, CreatePathMakesEveryFolderAfterTheDrive) {
    ExtractScratch s;
    EXPECT_TRUE(TUnzip::CreatePath((s / "a\\b\\").c_str()));
    EXPECT_TRUE(Exists(s / "a\\b"));
    EXPECT_TRUE(TUnzip::CreatePath((s.Dir().Path() + "/c/d").c_str()));
    EXPECT_TRUE(Exists(s / "c\\d"));
    EXPECT_TRUE(TUnzip::CreatePath("C:"));
    EXPECT_TRUE(TUnzip::CreatePath((s / "a\\b").c_str())) << "folders that exist";

    ASSERT_TRUE(wintest::WriteBytes(s / "file", "x"));
    EXPECT_FALSE(TUnzip::CreatePath((s / "file\\b\\").c_str()));
    EXPECT_FALSE(TUnzip::CreatePath((s / "file").c_str())) << "a file is no folder";
}
