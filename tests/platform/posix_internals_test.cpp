// The native layer's plain pieces, checked directly (native build only).
#include <gtest/gtest.h>

#include "platform/posix/command_line.h"
#include "platform/posix/lnk_format.h"
#include "platform/posix/profile_text.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/wildcard.h"

using namespace winlayer;

TEST(PosixCommandLine, SplitsWithTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> args;
    } cases[] = {
        {L"\"C:\\Program Files\\a.exe\" end", {L"C:\\Program Files\\a.exe", L"end"}},
        {L"cmd.exe /c XCOPY \"S\" \"I\\\" /S", {L"cmd.exe", L"/c", L"XCOPY", L"S", L"I\" /S"}},
        {L"p a\\\\\"b c\" d", {L"p", L"a\\b c", L"d"}},
        {L"p \"x\"\"y\" \\\\server", {L"p", L"x\"y", L"\\\\server"}},
        {L"p  \t ", {L"p"}},
        {L"p \"\"", {L"p", L""}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    for (const std::wstring arg : {L"a b", L"q\"uote", L"tail\\", L"sp ace\\", L""}) {
        auto back = SplitCommandLine(L"p " + QuoteArgument(arg));
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[1], arg);
    }
}

TEST(PosixCommandLine, UnquotedProgramNamesAreTriedWordByWord) {
    EXPECT_EQ(ProgramCandidates(L"C:\\Program Files\\app x"),
              (std::vector<std::wstring>{L"C:\\Program", L"C:\\Program Files\\app",
                                         L"C:\\Program Files\\app x"}));
    EXPECT_EQ(ProgramCandidates(L"\"C:\\a b\\c.exe\" end"),
              std::vector<std::wstring>{L"C:\\a b\\c.exe"});
}

TEST(PosixWildcards, MatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchesPattern(L"*", L"anything"));
    EXPECT_TRUE(MatchesPattern(L"*.*", L"noext"));
    EXPECT_TRUE(MatchesPattern(L"*.TXT", L"a.txt"));
    EXPECT_TRUE(MatchesPattern(L"k?ep*", L"KEEP1.txt"));
    EXPECT_FALSE(MatchesPattern(L"*.zip", L"a.zip.part"));
    EXPECT_FALSE(MatchesPattern(L"a?", L"a"));
}

TEST(PosixProfileText, EditsKeepTheRestOfTheFile) {
    std::string text = "; head\r\n[A]\r\nk=1\r\n\r\n[B]\r\nx = \"quoted\" \r\n";
    std::string v;
    EXPECT_TRUE(ProfileGet(text, "b", "X", v));
    EXPECT_EQ(v, "quoted");
    std::string added = ProfileSet(text, "a", "new", "2");
    EXPECT_EQ(added, "; head\r\n[A]\r\nk=1\r\nnew=2\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(added, "A", "K", "9"),
              "; head\r\n[A]\r\nk=9\r\nnew=2\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(text, "A", "k", nullptr),
              "; head\r\n[A]\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(text, "a", nullptr, nullptr), "; head\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet("", "s", "k", "v"), "[s]\r\nk=v\r\n");
    EXPECT_EQ(ProfileSet("x=1", "s", "k", "v"), "x=1\r\n[s]\r\nk=v\r\n");
    EXPECT_EQ(ProfileKeys(text, "A"), std::vector<std::string>{"k"});
    EXPECT_EQ(ProfileSections(text), (std::vector<std::string>{"A", "B"}));
}

TEST(PosixRegistryStore, TextFormRoundTrips) {
    RegKey top;
    RegKey* key = top.Add(L"HKEY_LOCAL_MACHINE")->Add(L"SOFTWARE")->Add(L"Quant_[x]");
    key->values.push_back({L"", REG_SZ, std::string("a\0\0\0", 4)});
    key->values.push_back({L"Name \"q\"", REG_BINARY, std::string("\x00\xFF\n", 3)});
    top.Add(L"HKEY_CURRENT_USER");
    RegKey back = ParseRegistry(SerializeRegistry(top));
    RegKey* k = back.Find(L"hkey_local_machine")->Find(L"software")->Find(L"QUANT_[X]");
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->values.size(), 2u);
    EXPECT_EQ(k->values[0].name, L"");
    EXPECT_EQ(k->values[0].data, std::string("a\0\0\0", 4));
    EXPECT_EQ(k->values[1].name, L"Name \"q\"");
    EXPECT_EQ(k->values[1].type, REG_BINARY);
    EXPECT_EQ(k->values[1].data, std::string("\x00\xFF\n", 3));
    EXPECT_NE(back.Find(L"HKEY_CURRENT_USER"), nullptr);
    EXPECT_EQ(SplitKeyPath(L"\\A\\\\B\\"), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST(PosixShellLinkFormat, EncodesTheTargetAndFolderAndDecodesThem) {
    LinkData link;
    link.target = L"C:\\\u5B89\u88C5\\OndrelDeskTrade.exe";
    link.workingDirectory = L"C:\\\u5B89\u88C5";
    link.targetAttributes = FILE_ATTRIBUTE_ARCHIVE;
    link.targetSize = 1234;
    std::string bytes = EncodeShellLink(link);
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));  // terminal block
    LinkData back;
    ASSERT_TRUE(DecodeShellLink(bytes, back));
    EXPECT_EQ(back.target, link.target);
    EXPECT_EQ(back.workingDirectory, link.workingDirectory);
    EXPECT_EQ(back.targetSize, 1234u);
    EXPECT_EQ(back.showCommand, SW_SHOWNORMAL);
    EXPECT_FALSE(DecodeShellLink(bytes.substr(0, 40), back));
}
