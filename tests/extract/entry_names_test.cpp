// Which entry names may become paths below the destination.
#include "workflow/extract/entry_names.h"

#include <gtest/gtest.h>

struct NameCase {
    const char* name;
    EntryNameProblem expected;
};

TEST(EntryNames, RefusesNamesThatEscapeOrAreNoWindowsNames) {
    const NameCase cases[] = {
        {"a.txt", EntryNameProblem::Fine},
        {"dir\\sub\\a.txt", EntryNameProblem::Fine},
        {"dir\\", EntryNameProblem::Fine},
        {".\\a.txt", EntryNameProblem::Fine},
        {"a..b\\c.d", EntryNameProblem::Fine},
        {"console.txt", EntryNameProblem::Fine},
        {"..\\evil.txt", EntryNameProblem::Escapes},
        {"a\\..\\..\\evil.txt", EntryNameProblem::Escapes},
        {"..", EntryNameProblem::Escapes},
        {"a\\...\\evil.txt", EntryNameProblem::Escapes},
        {"a\\.. \\evil.txt", EntryNameProblem::Escapes},
        {"\\evil.txt", EntryNameProblem::Escapes},
        {"\\\\server\\share\\evil.txt", EntryNameProblem::Escapes},
        {"C:\\evil.txt", EntryNameProblem::Escapes},
        {"C:evil.txt", EntryNameProblem::Escapes},
        {"a.txt:stream", EntryNameProblem::Escapes},
        {"", EntryNameProblem::Invalid},
        {"a\\\\b.txt", EntryNameProblem::Invalid},
        {"a?.txt", EntryNameProblem::Invalid},
        {"a*.txt", EntryNameProblem::Invalid},
        {"a|b", EntryNameProblem::Invalid},
        {"tab\there", EntryNameProblem::Invalid},
        {"NUL", EntryNameProblem::Invalid},
        {"dir\\con.txt", EntryNameProblem::Invalid},
        {"COM1", EntryNameProblem::Invalid},
        {"lpt9.log", EntryNameProblem::Invalid},
    };
    for (const NameCase& c : cases) EXPECT_EQ(CheckEntryName(c.name), c.expected) << c.name;
}

TEST(EntryNames, JoinsWithOneSeparatorAndProvesThePathStaysBelow) {
    EXPECT_EQ(JoinEntryPath("C:\\dest", "a.txt"), "C:\\dest\\a.txt");
    EXPECT_EQ(JoinEntryPath("C:\\dest\\", "a.txt"), "C:\\dest\\a.txt");
    EXPECT_EQ(JoinEntryPath("C:\\dest/", "a.txt"), "C:\\dest/a.txt");
    EXPECT_TRUE(LiesBelow("C:\\dest\\a\\b.txt", "C:\\dest"));
    EXPECT_TRUE(LiesBelow("c:\\DEST\\a.txt", "C:\\dest\\"));
    EXPECT_FALSE(LiesBelow("C:\\dest\\..\\a.txt", "C:\\dest"));
    EXPECT_FALSE(LiesBelow("C:\\destination\\a.txt", "C:\\dest"));
}
