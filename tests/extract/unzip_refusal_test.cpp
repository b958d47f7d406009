// Entries that must not be written: names that leave the destination, names that are no Windows
// names, names too long to be kept whole, and an entry that is both a folder and a file. The
// extraction fails, nothing lands outside the destination and the log names the entry.
#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "workflow/extract/unzip.h"
#include "zip_writer.h"

using wintest::Exists;

namespace {

struct Hostile {
    std::string name;
    std::vector<std::string> outside;  // where it would land if written, relative to the scratch
    const char* rootName;              // or a name at the root of drives C: and Z:
};

}  // namespace

TEST(UnzipRefusal, EscapingEntriesWriteNothingOutsideAndAreLogged) {
    const Hostile cases[] = {
        {"../evil.txt", {"evil.txt"}, nullptr},
        {"..\\evil.txt", {"evil.txt"}, nullptr},
        {"ok/../../evil.txt", {"evil.txt"}, nullptr},
        {"ok/.../evil.txt", {"evil.txt"}, nullptr},
        {"/evil-root.txt", {}, "evil-root.txt"},
        {"\\evil-root.txt", {}, "evil-root.txt"},
        {"C:/evil-drive.txt", {}, "evil-drive.txt"},
        {"C:evil-drive.txt", {}, "evil-drive.txt"},
        {"//server/share/evil.txt", {}, nullptr},
        {"\\\\server\\share\\evil.txt", {}, nullptr},
        {"ok.txt:stream", {}, nullptr},
    };
    for (const Hostile& c : cases) {
        ExtractScratch s;
        ASSERT_TRUE(WriteTestZip(s / "p.zip", {{"first.txt", "1"}, {c.name, "evil"}})) << c.name;
        EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str())) << c.name;
        EXPECT_EQ(TreeOf(s / "out"), std::vector<std::string>{"first.txt"}) << c.name;
        for (const std::string& place : c.outside) EXPECT_FALSE(Exists(s / place)) << c.name;
        for (const char* drive : {"C:\\", "Z:\\"}) {
            if (c.rootName) {
                EXPECT_FALSE(Exists(drive + std::string(c.rootName))) << c.name;
            }
        }
        std::vector<std::string> beside;
        for (const std::string& path : TreeOf(s.Dir().Path()))
            if (path.compare(0, 5, "logs\\") != 0) beside.push_back(path);
        EXPECT_EQ(beside, (std::vector<std::string>{"out\\", "out\\first.txt", "p.zip"})) << c.name;
        EXPECT_NE(s.Log().find(": " + c.name + "\r\n"), std::string::npos) << c.name;
    }
}

TEST(UnzipRefusal, NamesThatAreNoWindowsNamesAreRefused) {
    for (const char* name :
         {"dir/NUL", "con.txt", "a?b.txt", "a<b>.txt", "pipe|name", "a//b.txt"}) {
        ExtractScratch s;
        ASSERT_TRUE(WriteTestZip(s / "p.zip", {{name, "x"}}));
        EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str())) << name;
        EXPECT_TRUE(TreeOf(s / "out").empty()) << name;
        EXPECT_NE(s.Log().find(std::string(": ") + name), std::string::npos) << name;
        EXPECT_TRUE(BoxAnswers::Shown().empty()) << name << ": no question about a file in use";
    }
}

// A name is never cut to fit: a name of 260 bytes or more does not fit the name buffer, a path of
// 260 bytes or more not the path buffer. Cut, either would name a different, shorter file.
TEST(UnzipRefusal, NamesTooLongToKeepWholeAreRefused) {
    ExtractScratch probe;
    const size_t folder = (probe / "out\\").size();
    struct Length {
        size_t name;
        bool fits;
    };
    const Length cases[] = {
        {259 - folder, true}, {260 - folder, false}, {259, false}, {260, false}, {400, false}};
    for (const Length& c : cases) {
        ExtractScratch s;
        ASSERT_EQ((s / "out\\").size(), folder);
        std::string name = std::string(c.name - 4, 'n') + ".txt";
        ASSERT_TRUE(WriteTestZip(s / "p.zip", {{name, "x"}}));
        EXPECT_EQ(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str()), c.fits)
            << c.name;
        EXPECT_EQ(TreeOf(s / "out").size(), c.fits ? 1u : 0u) << c.name;
        EXPECT_EQ(s.Log().find(name.substr(0, 100)) != std::string::npos, !c.fits) << c.name;
    }
}

TEST(UnzipRefusal, AnEntryThatIsBothFolderAndFileFails) {
    struct Clash {
        std::vector<TestEntry> entries;
        std::vector<std::string> tree;
        std::string logged;
    };
    TestEntry folderA{"a", ""};
    folderA.directoryAttribute = true;
    const Clash cases[] = {
        {{{"a", "file"}, {"a/b.txt", "b"}}, {"a"}, ": a/b.txt"},  // file, then below it
        {{{"a/", ""}, {"a", "file"}}, {"a\\"}, ": a\r\n"},        // folder, then a file
        {{folderA, {"A", "file"}}, {"a\\"}, ": A\r\n"},           // names differ in case only
        {{{"a", "file"}, {"a/", ""}}, {"a"}, ": a/\r\n"},         // file, then a folder
    };
    for (const Clash& c : cases) {
        ExtractScratch s;
        ASSERT_TRUE(WriteTestZip(s / "p.zip", c.entries));
        EXPECT_FALSE(TUnzip::UnzipToFolder((s / "p.zip").c_str(), (s / "out").c_str())) << c.logged;
        EXPECT_EQ(TreeOf(s / "out"), c.tree) << c.logged;
        EXPECT_NE(s.Log().find(c.logged), std::string::npos) << c.logged;
        EXPECT_TRUE(BoxAnswers::Shown().empty()) << c.logged;
    }
}
