// Entries whose data is not what they declare: a wrong checksum, fewer bytes than declared, an
// encrypted entry. None leaves a file that passes for good; one that cannot be read at all leaves
// the existing file alone.
#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "workflow/extract/unzip.h"
#include "zip_writer.h"

using wintest::Exists;
using wintest::ReadBytes;

TEST(UnzipDamage, DamagedEntriesFailAndLeaveNoFile) {
    struct Damage {
        const char* what;
        TestEntry entry;
    };
    TestEntry badCrc{"cfg/bad.pub", "the content"};
    badCrc.crcXor = 0x1;
    TestEntry shortEntry{"cfg/bad.pub", "the content"};
    shortEntry.extraDeclared = 100;
    const Damage cases[] = {{"wrong checksum", badCrc}, {"fewer bytes than declared", shortEntry}};
    for (const Damage& c : cases) {
        ExtractScratch s;
        ASSERT_TRUE(WriteTestZip(s / "p.zip", {{"good.txt", "g"}, c.entry, {"after.txt", "a"}}));
        EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str())) << c.what;
        EXPECT_EQ(TreeOf(s / "out"), (std::vector<std::string>{"cfg\\", "good.txt"})) << c.what;
        EXPECT_NE(s.Log().find(": cfg/bad.pub\r\n"), std::string::npos) << c.what;
    }
}

// Info-ZIP's own test of the archive agrees that the checksum is wrong.
TEST(UnzipDamage, InfoZipSeesTheWrongChecksumToo) {
    ExtractScratch s;
    TestEntry badCrc{"bad.pub", "the content"};
    badCrc.crcXor = 0x1;
    ASSERT_TRUE(WriteTestZip(s / "p.zip", {badCrc}));
    std::string output;
    std::string host = wintest::HostPathOf(wintest::Wide(s / "p.zip"));
    EXPECT_FALSE(wintest::RunHostShell("unzip -t '" + host + "' 2>&1", output, s.Dir()));
    EXPECT_NE(output.find("bad CRC"), std::string::npos) << output;
}

TEST(UnzipDamage, AnEntryThatCannotBeReadKeepsTheExistingFile) {
    ExtractScratch s;
    ASSERT_TRUE(TUnzip::CreatePath((s / "out\\").c_str()));
    ASSERT_TRUE(wintest::WriteBytes(s / "out\\secret.txt", "old"));
    TestEntry locked{"secret.txt", "new"};
    locked.password = "pw";
    ASSERT_TRUE(WriteTestZip(s / "p.zip", {locked}));
    EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()));
    EXPECT_EQ(ReadBytes(s / "out\\secret.txt"), "old");
    EXPECT_NE(s.Log().find(": secret.txt\r\n"), std::string::npos);
}

TEST(UnzipDamage, ADirectoryThatBreaksOffFailsTheArchive) {
    ExtractScratch s;
    ASSERT_TRUE(WriteTestZip(s / "p.zip", {{"a.txt", "a"}, {"b.txt", "b"}}));
    std::string bytes = ReadBytes(s / "p.zip");
    // Second central directory header: its signature made wrong.
    size_t first = bytes.find("PK\x01\x02");
    size_t second = bytes.find("PK\x01\x02", first + 4);
    ASSERT_NE(second, std::string::npos);
    bytes[second + 2] = 'X';
    ASSERT_TRUE(wintest::WriteBytes(s / "p.zip", bytes));
    EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()));
    EXPECT_EQ(TreeOf(s / "out"), std::vector<std::string>{"a.txt"});
}
