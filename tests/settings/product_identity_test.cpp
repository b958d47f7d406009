// Package code, UI language and brand name (the settings half of InitResources), with
// the captions and the "language" value each language leads to.
#include "system/product_identity.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"
#include "system/product_config.h"
#include "system/product_settings.h"
#include "ui/text_tables.h"
#include "win_test_support.h"

using settingstest::AnsiText;
using settingstest::ProfileValue;
using wintest::TempFolder;

namespace {

// 遠帆證券 in code page 950 (Big5) and in code page 936 (GBK).
const char kTraditional950[] = "\xBB\xB7\xA6\x7C\xC3\xD2\xA8\xE9";
const char kTraditional936[] = "\xDF\x68\xB7\xAB\xD7\x43\xC8\xAF";
// 远帆证券 in code page 936.
const char kSimplified936[] = "\xD4\xB6\xB7\xAB\xD6\xA4\xC8\xAF";

class ProductIdentity : public ::testing::Test {
  protected:
    void SetUp() override {
        settingstest::UseTestStrings();
        ProductSettings::Instance() = ProductSettings();
    }
    void TearDown() override { ProductSettings::Instance() = ProductSettings(); }
};

}  // namespace

TEST(ProductLanguage, HongKongBecomesTraditionalAndEveryOtherValueStays) {
    EXPECT_EQ(ProductLanguageOf(3076), 1028);
    for (int32_t language : {1033, 1028, 2052, 1041, 0, 4100})
        EXPECT_EQ(ProductLanguageOf(language), language) << language;
}

TEST(ProductLanguage, BrandStringByLanguage) {
    EXPECT_EQ(BrandStringIdFor(1028), 105u);
    EXPECT_EQ(BrandStringIdFor(1033), 106u);
    for (int32_t language : {2052, 1041, 0, 3076})  // 3076 arrives here already made 1028
        EXPECT_EQ(BrandStringIdFor(language), 104u) << language;
}

// On a traditional Chinese system LoadStringA gives the brand in code page 950; the installer
// keeps brand texts in code page 936.
TEST(ProductLanguage, TraditionalBrandGoesFrom950Through16BitTo936) {
    EXPECT_EQ(TraditionalBrandTo936(kTraditional950), kTraditional936);
    EXPECT_EQ(TraditionalBrandTo936("Tallowind HK"), "Tallowind HK");
    EXPECT_EQ(TraditionalBrandTo936(""), "");
    // Cut with the 260-byte buffer of the resource text.
    EXPECT_EQ(TraditionalBrandTo936(std::string(300, 'x')), std::string(259, 'x'));
}

TEST_F(ProductIdentity, PackageCodeComesFromStringResource103) {
    EXPECT_EQ(LoadResourceText(103), "654321");
    EXPECT_EQ(LoadResourceText(107), "quote.tallowind.example");
    EXPECT_EQ(LoadResourceText(108), "0421");
    EXPECT_EQ(LoadResourceText(64999), "");  // missing: empty
}

// One row per UI language: what InitResources makes of it and what the user then sees and the
// product's configuration receives.
TEST_F(ProductIdentity, EachUiLanguageChoosesItsBrandCaptionsAndLanguageValue) {
    const std::string simplified = AnsiText(TEST_BRAND_SIMPLIFIED);
    // LoadStringA gives resource 105 in the ANSI code page, which the installer then reads as
    // code page 950 (on a traditional Chinese system both are 950).
    const std::string traditional = TraditionalBrandTo936(AnsiText(TEST_BRAND_TRADITIONAL));
    struct Row {
        int32_t uiLanguage;
        int32_t languageId;
        std::string brand;
        const wchar_t* installLabel;   // UiText 0
        const wchar_t* configCaption;  // StepCaption 3
        const char* languageValue;     // "language" in the .pri file
    } rows[] = {
        {1033, 1033, "Tallowind Securities", L"Install", L"Download configuration file", "1033"},
        {1028, 1028, traditional, L"\u5B89\u88DD", L"\u4E0B\u8F09\u914D\u7F6E\u6587\u4EF6", "1028"},
        {3076, 1028, traditional, L"\u5B89\u88DD", L"\u4E0B\u8F09\u914D\u7F6E\u6587\u4EF6", "1028"},
        {2052, 2052, simplified, L"\u5B89\u88C5", L"\u4E0B\u8F7D\u914D\u7F6E\u6587\u4EF6", "2052"},
        {1041, 1041, simplified, L"\u5B89\u88C5", L"\u4E0B\u8F7D\u914D\u7F6E\u6587\u4EF6", "1041"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.uiLanguage);
        ProductSettings::Instance() = ProductSettings();
        LoadProductIdentityFor(row.uiLanguage);
        const ProductSettings& s = ProductSettings::Instance();
        EXPECT_EQ(s.packageCode, "654321");
        EXPECT_EQ(s.languageId, row.languageId);
        EXPECT_EQ(s.brandName, row.brand);
        EXPECT_STREQ(UiText(0), row.installLabel);
        EXPECT_STREQ(StepCaption(3), row.configCaption);

        TempFolder dir;
        ProductSettings::Instance().installDir = dir.Path();
        ASSERT_TRUE(CreateDirectoryA((dir / "config").c_str(), nullptr));
        WriteProductConfig();
        EXPECT_EQ(ProfileValue(dir / "config\\tallowind.Default.pri", "tallowind", "language"),
                  row.languageValue);
    }
}

// Natively the ANSI code page is 936, so the brand texts can be checked byte for byte.
TEST_F(ProductIdentity, BrandBytesWhereTheAnsiCodePageIs936) {
    if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 936";
    LoadProductIdentityFor(2052);
    EXPECT_EQ(ProductSettings::Instance().brandName, kSimplified936);
    // Resource 105 arrives in 936 and is then read as 950, as on a machine whose ANSI code page is
    // not the traditional one: the 950 reading of those bytes, not the brand.
    LoadProductIdentityFor(1028);
    EXPECT_EQ(ProductSettings::Instance().brandName,
              TraditionalBrandTo936(std::string(kTraditional936)));
    EXPECT_NE(ProductSettings::Instance().brandName, kTraditional936);
}

// The thin wrapper asks the system for the UI language.
TEST_F(ProductIdentity, LoadProductIdentityUsesTheUsersUiLanguage) {
    LoadProductIdentity();
    EXPECT_EQ(ProductSettings::Instance().languageId,
              ProductLanguageOf(int32_t(GetUserDefaultUILanguage())));
    EXPECT_EQ(ProductSettings::Instance().packageCode, "654321");
}

#ifndef _WIN32
// Natively the machine's UI language is a setting ([machine] ui_language); under Wine it cannot be
// set per test, which is why the rows above go through LoadProductIdentityFor.
TEST_F(ProductIdentity, HongKongUiLanguageOfTheMachineGivesTraditional) {
    TempFolder dir;  // a fresh system root
    ASSERT_TRUE(settingstest::SetMachineSetting("machine", "ui_language", "3076"));
    ASSERT_EQ(GetUserDefaultUILanguage(), 3076);
    LoadProductIdentity();
    EXPECT_EQ(ProductSettings::Instance().languageId, 1028);
    EXPECT_EQ(ProductSettings::Instance().brandName,
              TraditionalBrandTo936(AnsiText(TEST_BRAND_TRADITIONAL)));
    EXPECT_STREQ(StepCaption(12), L"\u522A\u9664\u5B89\u88DD\u6587\u4EF6");  // 刪除安裝文件
}
#endif
