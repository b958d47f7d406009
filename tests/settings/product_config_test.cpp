// The product's configuration keys and the display-scale flag.
#include "system/product_config.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"
#include "system/product_identity.h"
#include "system/product_settings.h"
#include "win_test_support.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

using settingstest::ProfileValue;
using wintest::TempFolder;

namespace {

class ProductConfig : public ::testing::Test {
  protected:
    void SetUp() override {
        settingstest::UseTestStrings();
        ProductSettings::Instance() = ProductSettings();
        ProductSettings::Instance().installDir = dir.Path();
        ASSERT_TRUE(CreateDirectoryA((dir / "config").c_str(), nullptr));
        pub = dir / "config\\tallowind.Default.pub";
        pri = dir / "config\\tallowind.Default.pri";
    }
    void TearDown() override {
        ProductSettings::Instance() = ProductSettings();
#ifndef _WIN32
        winlayer::test::SetMonitors({});
        winlayer::test::SetShcoreAvailable(true);
#endif
    }
    TempFolder dir;
    std::string pub, pri;
};

}  // namespace

TEST(ProductConfigPaths, FilesOfTheConfigFolder) {
    EXPECT_EQ(ProductConfigPubPath("C:\\P"), "C:\\P\\config\\tallowind.Default.pub");
    EXPECT_EQ(ProductConfigPriPath("C:\\P"), "C:\\P\\config\\tallowind.Default.pri");
    // The display-scale writer formats the path with forward slashes.
    EXPECT_EQ(DisplayScalePriPath("C:\\P"), "C:\\P/config/tallowind.Default.pri");
    // It formats into 260 bytes; a path that does not fit is not written at all.
    EXPECT_EQ(DisplayScalePriPath(std::string(230, 'x')).size(), 259u);
    EXPECT_EQ(DisplayScalePriPath(std::string(231, 'x')), "");
}

TEST(DisplayScaleFlag, OneOnlyForWholeMultiplesOf96AboveIt) {
    struct Row {
        UINT dpi;
        int flag;
    } rows[] = {{96, 0},  {120, 0}, {144, 0}, {168, 0}, {192, 1},
                {288, 1}, {384, 1}, {240, 0}, {72, 0},  {0, 0}};
    for (const Row& row : rows) EXPECT_EQ(DisplayScaleFlagFor(row.dpi), row.flag) << row.dpi;
}

TEST_F(ProductConfig, FourKeysGoIntoTheirFiles) {
    ProductSettings& s = ProductSettings::Instance();
    s.packageCode = "654321";
    s.languageId = 2052;
    WriteProductConfig();
    EXPECT_EQ(ProfileValue(pub, "tallowind", "package"), "654321");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "language"), "2052");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "endpoint"), "quote.tallowind.example");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "company"), "0421");
    // Each key in its own file only.
    EXPECT_EQ(ProfileValue(pub, "tallowind", "language"), "<absent>");
    EXPECT_EQ(ProfileValue(pub, "tallowind", "endpoint"), "<absent>");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "package"), "<absent>");
}

TEST_F(ProductConfig, KeysOfTheInstalledFilesAreKeptAndOverwritten) {
    ASSERT_TRUE(WritePrivateProfileStringA("tallowind", "theme", "dark", pri.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("tallowind", "language", "1033", pri.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("other", "package", "1", pub.c_str()));
    ProductSettings::Instance().packageCode = "654321";
    ProductSettings::Instance().languageId = 1028;
    WriteProductConfig();
    EXPECT_EQ(ProfileValue(pri, "tallowind", "theme"), "dark");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "language"), "1028");
    EXPECT_EQ(ProfileValue(pub, "other", "package"), "1");
    EXPECT_EQ(ProfileValue(pub, "tallowind", "package"), "654321");
}

TEST_F(ProductConfig, ValuesWriterTakesItsArguments) {
    WriteProductConfigValues(dir.Path(), "123456", 1041, "h.example", "0007");
    EXPECT_EQ(ProfileValue(pub, "tallowind", "package"), "123456");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "language"), "1041");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "endpoint"), "h.example");
    EXPECT_EQ(ProfileValue(pri, "tallowind", "company"), "0007");
}

#ifndef _WIN32
TEST_F(ProductConfig, DisplayScaleFlagFollowsTheEffectiveDpiOfTheMonitor) {
    struct Row {
        UINT dpi;
        const char* flag;
    } rows[] = {{96, "0"}, {120, "0"}, {144, "0"}, {168, "0"}, {192, "1"}, {288, "1"}};
    for (const Row& row : rows) {
        winlayer::test::Monitor monitor;
        monitor.effectiveDpi = row.dpi;
        winlayer::test::SetMonitors({monitor});
        DeleteFileA(pri.c_str());
        WriteDisplayScaleFlag();
        EXPECT_EQ(ProfileValue(pri, "tallowind", "awaredpi"), row.flag) << row.dpi;
    }
}

TEST_F(ProductConfig, WithoutShcoreNothingIsWritten) {
    winlayer::test::Monitor monitor;
    monitor.effectiveDpi = 192;
    winlayer::test::SetMonitors({monitor});
    winlayer::test::SetShcoreAvailable(false);
    WriteDisplayScaleFlag();
    EXPECT_EQ(ProfileValue(pri, "tallowind", "awaredpi"), "<absent>");
    EXPECT_FALSE(wintest::Exists(pri));
}
#else
// Under Wine the monitors' scale cannot be set per test (the display is Xvfb's at 96 DPI) and
// SHCore.dll is always there, so only the 96 case is reachable.
TEST_F(ProductConfig, DisplayScaleFlagAt96DpiUnderWineIsZero) {
    WriteDisplayScaleFlag();
    EXPECT_EQ(ProfileValue(pri, "tallowind", "awaredpi"), "0");
}
#endif
