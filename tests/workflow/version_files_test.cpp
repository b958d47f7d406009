// The version summary read from the bucket and the version file written into the staging folder.
#include "workflow/version_files.h"

#include <gtest/gtest.h>

#include "system/install_log.h"
#include "workflow_fixture.h"

namespace workflowtest {
namespace {

TEST(VersionFiles, StampTextIsReadLikeASigned64BitNumber) {
    const struct {
        const char* text;
        int64_t stamp;
    } rows[] = {
        {"1764547200", 1764547200},
        {"-5", -5},
        {"  +42abc", 42},
        {"\t7", 7},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"9223372036854775807", INT64_MAX},
        {"99999999999999999999", INT64_MAX},
        {"-99999999999999999999", INT64_MIN},
    };
    for (const auto& row : rows) EXPECT_EQ(ParseStamp(row.text), row.stamp) << row.text;
}

class Summary : public WorkflowTest {
  protected:
    void SetUp() override {
        WorkflowTest::SetUp();
        StartService();
        ASSERT_TRUE(CreateDirectoryA(stagingDir.c_str(), nullptr));
        OpenInstallLog();
    }
    // Reads `text` as the release's summary into fresh fields.
    bool Read(const std::string& text) {
        EXPECT_TRUE(wintest::WriteBytes(ObjectPath("8.5/summary.ini"), text));
        state.cfgStamp = 0;
        state.fixName[0] = state.quantName[0] = '\0';
        return ReadSummary(state);
    }
};

TEST_F(Summary, ValuesOfThisPackageCodeAreReadAndCutToTheirBuffers) {
    const struct {
        const char* text;
        int64_t stamp;
        const char* fix;
        const char* quant;
    } rows[] = {
        {"[cfgstamp]\ntime=-5\n[fixstamp]\n000001=fix-a\n000002=fix-b\n[quant]\n000001=q-a\n", -5,
         "fix-a", "q-a"},
        // Sections and keys without regard to case; no stamp gives 0, no quant line nothing.
        {"[FIXSTAMP]\n000001=fix-c\n", 0, "fix-c", ""},
        // Another code's lines are not this build's.
        {"[cfgstamp]\ntime=9\n[fixstamp]\n000002=fix-b\n", 9, "", ""},
        // 25 characters are cut to the first 20.
        {"[fixstamp]\n000001=fix-8.5.0-abcdefghijkl\n", 0, "fix-8.5.0-abcdefghij", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ASSERT_TRUE(Read(row.text));
        EXPECT_EQ(state.cfgStamp, row.stamp);
        EXPECT_STREQ(state.fixName, row.fix);
        EXPECT_STREQ(state.quantName, row.quant);
    }
    EXPECT_EQ(state.finishedDownloads, 4) << "every read is one download";
    EXPECT_EQ(LogTexts(), std::vector<std::string>(4, kUncheckedReleaseLine))
        << "a build without a release key says so at every read, nothing else";
}

TEST_F(Summary, AMissingSummaryLeavesTheFieldsAndNamesTheKeyInTheLog) {
    ASSERT_TRUE(DeleteFileA(ObjectPath("8.5/summary.ini").c_str()));
    state.cfgStamp = 3;
    EXPECT_FALSE(ReadSummary(state));
    EXPECT_EQ(state.cfgStamp, 3);
    EXPECT_STREQ(state.fixName, "");
    EXPECT_EQ(state.finishedDownloads, 0);
    EXPECT_EQ(LogTexts(),
              (std::vector<std::string>{kUncheckedReleaseLine, "8.5/summary.ini,文件不存在"}));
}

TEST_F(Summary, TheVersionFileHoldsStampAndNamesInOrderAndAnEmptyQuant) {
    state.cfgStamp = -5;
    snprintf(state.fixName, sizeof state.fixName, "%s", "fix-8.5.0-sample");
    WriteVersionFile(state, stagingDir);
    EXPECT_EQ(wintest::ReadBytes(stagingDir + "\\update.ini"),
              "[cfgstamp]\r\ntime=-5\r\n[version]\r\ncur=fix-8.5.0-sample\r\nquant=\r\n");
}

}  // namespace
}  // namespace workflowtest
