// The builder's plain pieces: package names, MS-DOS times and the summary text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "dos_time.h"
#include "package_names.h"
#include "summary_file.h"

namespace release_builder {
namespace {

TEST(PackageNamesTest, AcceptsNamesThatCanBeKeysAndFileNames) {
    for (const char* name : {"fix-8.5.0", "a", "abcdefghij0123456789", "quant_1.2", "CONSOLE",
                             "com0", "lpt10", "Fix.8.5.Zip"}) {
        EXPECT_EQ(PackageNameProblem(name), "") << name;
    }
}

TEST(PackageNamesTest, PackageCodesAreExactlySixDigits) {
    EXPECT_TRUE(IsPackageCode("000001"));
    EXPECT_TRUE(IsPackageCode("987654"));
    for (const char* code : {"", "00001", "0000001", " 00001", "00000a", "-00001", "０00001"}) {
        EXPECT_FALSE(IsPackageCode(code)) << code;
    }
}

TEST(PackageNamesTest, FileNameComponentsFollowWindowsRules) {
    EXPECT_EQ(FileNameProblem("quote.ini"), "");
    EXPECT_EQ(FileNameProblem(".hidden"), "");
    for (const char* bad :
         {"a\\b", "a|b", "a?b", "a*b", "a<b", "a>b", "a\"b", "tab\there", "dot.", "space "}) {
        EXPECT_NE(FileNameProblem(bad), "") << bad;
    }
}

// Runs the checks in UTC, so that the expected bits can be worked out by hand.
class DosTimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (m_hadTz) m_tz = tz;
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            setenv("TZ", m_tz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    bool m_hadTz = false;
    std::string m_tz;
};

TEST_F(DosTimeTest, PacksLocalTimeIntoDateAndTimeFields) {
    struct Case {
        std::time_t moment;
        uint32_t dos;
    };
    const Case cases[] = {
        // 2024-03-05 14:07:33: year 44, month 3, day 5 / hour 14, minute 7, 33 s -> 16 two-second
        // steps.
        {1709647653, (44u << 9 | 3u << 5 | 5u) << 16 | (14u << 11 | 7u << 5 | 16u)},
        // 1980-01-01 00:00:00, the first moment the format holds.
        {315532800, (0u << 9 | 1u << 5 | 1u) << 16},
        // 1970-01-01 is earlier: clamped to 1980-01-01.
        {0, (0u << 9 | 1u << 5 | 1u) << 16},
        // 2200-01-01 is later than 2107: clamped to 2107-12-31 23:59:58.
        {7258118400, (127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u)},
    };
    for (const Case& c : cases) EXPECT_EQ(DosDateTime(c.moment), c.dos) << c.moment;
}

TEST(SummaryTextTest, ClassicProfileLayoutWithOneLinePerCode) {
    EXPECT_EQ(SummaryText(-5, {"000001", "123456"}, "fix-8.5.0", "q1"),
              "[cfgstamp]\r\ntime=-5\r\n\r\n"
              "[fixstamp]\r\n000001=fix-8.5.0\r\n123456=fix-8.5.0\r\n\r\n"
              "[quant]\r\n000001=q1\r\n123456=q1\r\n");
}

}  // namespace
}  // namespace release_builder
