// What a release folder holds: the objects at their keys and the summary's values.
#include <gtest/gtest.h>

#include <filesystem>

#include "release_sources.h"
#include "support/test_dir.h"
#include "win_test_support.h"

namespace release_test {
namespace {

std::string ReadProfile(const std::string& file, const char* section, const char* key) {
    char value[101] = {};
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value,
                             wintest::WindowsPathOfHost(file).c_str());
    return value;
}

class ReleaseLayoutTest : public ::testing::Test {
  protected:
    ProgramResult Build(const ReleaseArgs& args) {
        ProgramResult result = RunBuilder(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    }

    ReleaseSources sources;
};

TEST_F(ReleaseLayoutTest, EveryPackageLiesAtItsKeyAndNothingElseIsLeft) {
    Build(sources.FullArgs());
    EXPECT_EQ(TreeBelow(sources.PathOf("bucket")),
              (std::vector<std::string>{"8.5/", "8.5/base.zip", "8.5/config.zip", "8.5/depend.zip",
                                        "8.5/fix/", "8.5/fix/fix-8.5.0-test.zip", "8.5/quant/",
                                        "8.5/quant/quant-8.5.0-t.zip", "8.5/summary.ini"}));
    // Nothing beside the output either: the folder it was written in has gone.
    EXPECT_EQ(NamesIn(sources.Dir().Path()),
              (std::vector<std::string>{"base", "bucket", "config", "depend", "product", "quant"}));
}

TEST_F(ReleaseLayoutTest, OptionalPackagesAreLeftOutWhenNotGiven) {
    Build(sources.MinimalArgs());
    EXPECT_EQ(TreeBelow(sources.PathOf("bucket")),
              (std::vector<std::string>{"8.5/", "8.5/base.zip", "8.5/config.zip", "8.5/fix/",
                                        "8.5/fix/fix-8.5.0-test.zip", "8.5/summary.ini"}));
}

TEST_F(ReleaseLayoutTest, SummaryReadsBackThroughProfileStrings) {
    Build(sources.FullArgs());
    const std::string summary = sources.PathOf("bucket/8.5/summary.ini");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"cfgstamp", "time", "20261201093000"},
        {"fixstamp", "000001", "fix-8.5.0-test"},
        {"fixstamp", "000002", "fix-8.5.0-test"},
        {"quant", "000001", "quant-8.5.0-t"},
        {"quant", "000002", "quant-8.5.0-t"},
        {"FIXSTAMP", "000002", "fix-8.5.0-test"},  // the installer's lookups ignore case
        {"fixstamp", "000003", "<missing>"},       // a build this release does not serve
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadProfile(summary, c.section, c.key), c.value) << c.section << "/" << c.key;
    }
}

TEST_F(ReleaseLayoutTest, SummaryWithoutQuantPackageGivesEmptyQuantNames) {
    Build(sources.MinimalArgs());
    const std::string summary = sources.PathOf("bucket/8.5/summary.ini");
    EXPECT_EQ(ReadProfile(summary, "quant", "000001"), "");
    EXPECT_EQ(ReadProfile(summary, "fixstamp", "000001"), "fix-8.5.0-test");
}

TEST_F(ReleaseLayoutTest, StampDefaultsToNewestConfigurationTime) {
    ReleaseArgs args = sources.MinimalArgs();
    args.cfgStamp.clear();
    Build(args);
    // The newest entry of config/ is ServerInfo/0002.pub.
    EXPECT_EQ(ReadProfile(sources.PathOf("bucket/8.5/summary.ini"), "cfgstamp", "time"),
              std::to_string(LocalSeconds("2026-12-01 09:00:00")));
}

TEST_F(ReleaseLayoutTest, NegativeStampIsWrittenAsGiven) {
    ReleaseArgs args = sources.MinimalArgs();
    args.cfgStamp = "-5";
    Build(args);
    EXPECT_EQ(ReadProfile(sources.PathOf("bucket/8.5/summary.ini"), "cfgstamp", "time"), "-5");
}

TEST_F(ReleaseLayoutTest, EmptyOutputFolderIsFilled) {
    std::filesystem::create_directory(sources.PathOf("bucket"));
    Build(sources.MinimalArgs());
    EXPECT_TRUE(std::filesystem::exists(sources.PathOf("bucket/8.5/fix/fix-8.5.0-test.zip")));
}

TEST_F(ReleaseLayoutTest, OutputNamedWithTrailingSlashOrDotsIsTheSameFolder) {
    for (const char* output : {"bucket/", "product/../bucket", "bucket/."}) {
        SCOPED_TRACE(output);
        ReleaseArgs args = sources.MinimalArgs();
        args.output = sources.PathOf(output);
        args.force = true;
        Build(args);
        EXPECT_TRUE(std::filesystem::exists(sources.PathOf("bucket/8.5/summary.ini")));
        EXPECT_EQ(
            NamesIn(sources.Dir().Path()),
            (std::vector<std::string>{"base", "bucket", "config", "depend", "product", "quant"}));
    }
}

TEST_F(ReleaseLayoutTest, ForceReplacesAnOutputWithContent) {
    sources.Dir().WriteFile("bucket/8.5/fix/fix-8.4.9.zip", "old release");
    ReleaseArgs args = sources.MinimalArgs();
    args.force = true;
    Build(args);
    EXPECT_EQ(TreeBelow(sources.PathOf("bucket")),
              (std::vector<std::string>{"8.5/", "8.5/base.zip", "8.5/config.zip", "8.5/fix/",
                                        "8.5/fix/fix-8.5.0-test.zip", "8.5/summary.ini"}));
}

}  // namespace
}  // namespace release_test
