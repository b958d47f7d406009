// Bad input: exit status 2, a message that names the problem, and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "release_sources.h"

namespace release_test {
namespace {

struct BadInput {
    const char* what;
    std::function<void(const ReleaseSources&, ReleaseArgs&)> change;
    const char* message;  // part of what the builder must say
};

const BadInput kBadInputs[] = {
    {"missing product folder",
     [](const ReleaseSources& s, ReleaseArgs& a) { a.product = s.PathOf("nowhere"); },
     "the --product folder"},
    {"front-end dependency folder that is a file",
     [](const ReleaseSources& s, ReleaseArgs& a) { a.depend = s.PathOf("base/msvcp-sample.dll"); },
     "the --depend folder"},
    {"five-digit package code", [](auto&, ReleaseArgs& a) { a.packageCodes = {"00001"}; },
     "package code \"00001\" is not six digits"},
    {"seven-digit package code", [](auto&, ReleaseArgs& a) { a.packageCodes = {"0000001"}; },
     "package code \"0000001\" is not six digits"},
    {"letter in a package code", [](auto&, ReleaseArgs& a) { a.packageCodes = {"00a001"}; },
     "package code \"00a001\" is not six digits"},
    {"empty code in a list", [](auto&, ReleaseArgs& a) { a.packageCodes = {"000001,"}; },
     "package code \"\" is not six digits"},
    {"package code given twice",
     [](auto&, ReleaseArgs& a) {
         a.packageCodes = {"000001", "000002,000001"};
     },
     "package code 000001 is given twice"},
    {"runtime name of 21 characters",
     [](auto&, ReleaseArgs& a) { a.runtimeName = "fix-8.5.0-abcdefghijk"; },
     "has 21 characters, more than 20"},
    {"slash in the runtime name", [](auto&, ReleaseArgs& a) { a.runtimeName = "fix/8.5"; },
     "runtime package name \"fix/8.5\" holds a character"},
    {"space in the runtime name", [](auto&, ReleaseArgs& a) { a.runtimeName = "fix 8.5"; },
     "runtime package name \"fix 8.5\" holds a character"},
    {"non-ASCII runtime name",
     [](auto&, ReleaseArgs& a) { a.runtimeName = "\xE8\xBF\x90\xE8\xA1\x8C"; },
     "holds a character other than letters"},
    {"device name as runtime name", [](auto&, ReleaseArgs& a) { a.runtimeName = "CON"; },
     "is a Windows device name"},
    {"numbered device name with extension",
     [](auto&, ReleaseArgs& a) { a.runtimeName = "com1.fix"; }, "is a Windows device name"},
    {"runtime name beginning with a dot", [](auto&, ReleaseArgs& a) { a.runtimeName = ".fix"; },
     "begins with '.'"},
    {"runtime name ending with a dot", [](auto&, ReleaseArgs& a) { a.runtimeName = "fix."; },
     "ends with '.'"},
    {"quant name of 21 characters",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         a = s.FullArgs();
         a.quantName = "quant-8.5.0-abcdefghi";
     },
     "quant package name \"quant-8.5.0-abcdefghi\" has 21 characters"},
    {"quant folder without a quant name",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         a = s.FullArgs();
         a.quantName.clear();
     },
     "--quant and --quant-name go together"},
    {"configuration without config/ServerInfo/",
     [](const ReleaseSources& s, ReleaseArgs& a) { a.config = s.PathOf("base"); },
     "has no config/ServerInfo/ folder"},
    {"server list folder without a .pub file",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         s.Write("other/config/ServerInfo/0001.txt", "x", "2020-01-01 00:00:00");
         a.config = s.PathOf("other");
     },
     "holds no <company>.pub server list"},
    {"output folder with content",
     [](const ReleaseSources& s, ReleaseArgs&) {
         s.Write("bucket/keep.txt", "keep", "2020-01-01 00:00:00");
     },
     "exists and is not empty (--force replaces it)"},
    {"output that is a file",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         s.Write("plain.txt", "x", "2020-01-01 00:00:00");
         a.output = s.PathOf("plain.txt");
     },
     "exists and is not a folder"},
    {"output inside the product folder",
     [](const ReleaseSources& s, ReleaseArgs& a) { a.output = s.PathOf("product/bucket"); },
     "and the --product folder lie inside each other"},
    {"output holding the configuration folder",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         a.output = s.Dir().Path();
         a.force = true;
     },
     "lie inside each other"},
    {"output whose parent is missing",
     [](const ReleaseSources& s, ReleaseArgs& a) { a.output = s.PathOf("missing/bucket"); },
     "that is to hold the output does not exist"},
    {"empty product folder",
     [](const ReleaseSources& s, ReleaseArgs& a) {
         std::filesystem::create_directory(s.PathOf("empty"));
         a.product = s.PathOf("empty");
     },
     "is empty; the installer cannot unpack an empty package"},
    {"symbolic link in the product folder",
     [](const ReleaseSources& s, ReleaseArgs&) {
         std::filesystem::create_symlink(s.PathOf("product/uninstall.exe"),
                                         s.PathOf("product/link.exe"));
     },
     "link.exe\" is not a plain file or folder"},
    {"colon in a file name",
     [](const ReleaseSources& s, ReleaseArgs&) {
         s.Write("base/a:b.ini", "x", "2020-01-01 00:00:00");
     },
     "a:b.ini\" holds the character ':'"},
    {"file name ending with a dot",
     [](const ReleaseSources& s, ReleaseArgs&) {
         s.Write("base/services/name.", "x", "2020-01-01 00:00:00");
     },
     "name.\" ends with a dot or a space"},
    {"file name with no code page 936 form",
     [](const ReleaseSources& s, ReleaseArgs&) {
         s.Write("base/\xF0\x9F\x98\x80.txt", "x", "2020-01-01 00:00:00");
     },
     "has a character with no code page 936 form"},
    {"unknown option", [](auto&, ReleaseArgs& a) { a.extra = {"--bogus"}; },
     "unknown option --bogus"},
    {"option without its value", [](auto&, ReleaseArgs& a) { a.extra = {"--depend"}; },
     "--depend needs a value"},
    {"missing runtime name", [](auto&, ReleaseArgs& a) { a.runtimeName.clear(); },
     "--runtime-name is required"},
    {"missing package codes", [](auto&, ReleaseArgs& a) { a.packageCodes.clear(); },
     "at least one --package-code is required"},
    {"stamp that is not a number", [](auto&, ReleaseArgs& a) { a.cfgStamp = "12x"; },
     "--cfg-stamp is not a signed decimal 64-bit number: 12x"},
    {"stamp beyond 64 bits", [](auto&, ReleaseArgs& a) { a.cfgStamp = "9223372036854775808"; },
     "--cfg-stamp is not a signed decimal 64-bit number"},
};

TEST(ReleaseBadInputTest, EachIsRefusedByNameWithNothingWritten) {
    for (const BadInput& bad : kBadInputs) {
        SCOPED_TRACE(bad.what);
        ReleaseSources sources;
        ReleaseArgs args = sources.MinimalArgs();
        bad.change(sources, args);
        const std::vector<std::string> before = TreeBelow(sources.Dir().Path());

        const ProgramResult result = RunBuilder(args);

        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(TreeBelow(sources.Dir().Path()), before);
    }
}

TEST(ReleaseBadInputTest, TheSameInputIsAcceptedWhenCorrected) {
    // The baseline the table changes: it must succeed, or the table proves nothing.
    ReleaseSources sources;
    const ProgramResult result = RunBuilder(sources.MinimalArgs());
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(ReleaseBadInputTest, HelpDescribesEveryOption) {
    const ProgramResult result = RunProgram(RELEASE_BUILDER_PATH, {"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"--product", "--base", "--config", "--depend", "--quant",
                               "--quant-name", "--runtime-name", "--package-code", "--cfg-stamp",
                               "--output", "--force", "--signing-key"}) {
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace release_test
