// The localised tables, spelled here with escapes, independently of the tables' own
// source: every entry, in all three languages.
#include "ui/text_tables.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "system/product_settings.h"
#include "win_test_support.h"

namespace {

struct Entry {
    int index;
    const wchar_t* english;
    const wchar_t* traditional;
    const wchar_t* simplified;
};

const Entry kUiTexts[] = {
    {0, L"Install", L"\u5B89\u88DD", L"\u5B89\u88C5"},
    {6, L" Fail", L"\u5931\u6557", L"\u5931\u8D25"},
    {7, L"Open", L"\u6253\u958B", L"\u6253\u5F00"},
    {10, L"Updating, please wait...", L"\u66F4\u65B0\u4E2D\uFF0C\u8ACB\u7A0D\u5F8C...",
     L"\u66F4\u65B0\u4E2D\uFF0C\u8BF7\u7A0D\u540E..."},
};

const Entry kStepCaptions[] = {
    {0, L"Download install-statistics", L"\u4E0B\u8F09\u5B89\u88DD\u7D71\u8A08\u4FE1\u606F",
     L"\u4E0B\u8F7D\u5B89\u88C5\u7EDF\u8BA1\u4FE1\u606F"},
    {1, L"Download front-end dependency library", L"\u4E0B\u8F09\u524D\u7AEF\u4F9D\u8CF4\u5EAB",
     L"\u4E0B\u8F7D\u524D\u7AEF\u4F9D\u8D56\u5E93"},
    {2, L"Download service dependency library", L"\u4E0B\u8F09\u670D\u52D9\u4F9D\u8CF4\u5EAB",
     L"\u4E0B\u8F7D\u670D\u52A1\u4F9D\u8D56\u5E93"},
    {3, L"Download configuration file", L"\u4E0B\u8F09\u914D\u7F6E\u6587\u4EF6",
     L"\u4E0B\u8F7D\u914D\u7F6E\u6587\u4EF6"},
    {4, L"Download runtime library", L"\u4E0B\u8F09\u904B\u884C\u5EAB",
     L"\u4E0B\u8F7D\u8FD0\u884C\u5E93"},
    {5, L"Download Quant runtime library", L"\u4E0B\u8F09Quant\u904B\u884C\u5EAB",
     L"\u4E0B\u8F7DQuant\u8FD0\u884C\u5E93"},
    {6, L"Install front-end dependency library", L"\u5B89\u88DD\u524D\u7AEF\u4F9D\u8CF4\u5EAB",
     L"\u5B89\u88C5\u524D\u7AEF\u4F9D\u8D56\u5E93"},
    {7, L"Install service dependency library", L"\u5B89\u88DD\u670D\u52D9\u4F9D\u8CF4\u5EAB",
     L"\u5B89\u88C5\u670D\u52A1\u4F9D\u8D56\u5E93"},
    {8, L"Install configuration file", L"\u5B89\u88DD\u914D\u7F6E\u6587\u4EF6",
     L"\u5B89\u88C5\u914D\u7F6E\u6587\u4EF6"},
    {9, L"Install runtime library", L"\u5B89\u88DD\u904B\u884C\u5EAB",
     L"\u5B89\u88C5\u8FD0\u884C\u5E93"},
    {10, L"Install Quant Runtime Library", L"\u5B89\u88DDQuant\u904B\u884C\u5EAB",
     L"\u5B89\u88C5Quant\u8FD0\u884C\u5E93"},
    {11, L"The folder or file is occupied by another program,install",
     L"\u6587\u4EF6\u593E\u6216\u6587\u4EF6\u88AB\u53E6\u4E00\u7A0B\u5E8F\u5360\u7528,\u5B89\u88DD",
     L"\u6587\u4EF6\u5939\u6216\u6587\u4EF6\u88AB\u53E6\u4E00\u7A0B\u5E8F\u5360\u7528,"
     L"\u5B89\u88C5"},
    {12, L"Delete install files", L"\u522A\u9664\u5B89\u88DD\u6587\u4EF6",
     L"\u5220\u9664\u5B89\u88C5\u6587\u4EF6"},
    {13, L"Save version information", L"\u4FDD\u5B58\u7248\u672C\u4FE1\u606F",
     L"\u4FDD\u5B58\u7248\u672C\u4FE1\u606F"},
    {14, L"Delete backup files", L"\u522A\u9664\u5099\u4EFD\u6587\u4EF6",
     L"\u5220\u9664\u5907\u4EFD\u6587\u4EF6"},
};

class TextTables : public ::testing::Test {
  protected:
    void TearDown() override { ProductSettings::Instance() = ProductSettings(); }
    void Use(int32_t languageId) { ProductSettings::Instance().languageId = languageId; }
};

}  // namespace

TEST(TextLanguage, EnglishTraditionalElseSimplified) {
    EXPECT_EQ(ui::TextLanguageOf(1033), ui::TextLanguage::English);
    EXPECT_EQ(ui::TextLanguageOf(1028), ui::TextLanguage::Traditional);
    // 3076 is made 1028 when the settings are loaded; the tables see only languageId.
    for (int32_t other : {2052, 1041, 3076, 0, -1})
        EXPECT_EQ(ui::TextLanguageOf(other), ui::TextLanguage::Simplified) << other;
}

TEST_F(TextTables, UiTextInEachLanguage) {
    for (const Entry& e : kUiTexts) {
        Use(1033);
        EXPECT_STREQ(UiText(e.index), e.english) << e.index;
        Use(1028);
        EXPECT_STREQ(UiText(e.index), e.traditional) << e.index;
        for (int32_t other : {2052, 1041, 0}) {
            Use(other);
            EXPECT_STREQ(UiText(e.index), e.simplified) << e.index << " " << other;
        }
    }
}

TEST_F(TextTables, StepCaptionInEachLanguage) {
    for (const Entry& e : kStepCaptions) {
        Use(1033);
        EXPECT_STREQ(StepCaption(e.index), e.english) << e.index;
        Use(1028);
        EXPECT_STREQ(StepCaption(e.index), e.traditional) << e.index;
        for (int32_t other : {2052, 1041, 0}) {
            Use(other);
            EXPECT_STREQ(StepCaption(e.index), e.simplified) << e.index << " " << other;
        }
    }
}

TEST(TextTablesFor, ExplicitLanguageGivesTheSameEntries) {
    EXPECT_STREQ(ui::StepCaptionFor(1033, 12), L"Delete install files");
    EXPECT_STREQ(ui::StepCaptionFor(2052, 12), L"\u5220\u9664\u5B89\u88C5\u6587\u4EF6");
    EXPECT_STREQ(ui::UiTextFor(1028, 7), L"\u6253\u958B");
    // Unlisted indexes are empty rather than out of bounds.
    EXPECT_STREQ(ui::UiTextFor(1033, 3), L"");
    EXPECT_STREQ(ui::UiTextFor(1033, 11), L"");
    EXPECT_STREQ(ui::StepCaptionFor(1033, 15), L"");
    EXPECT_STREQ(ui::StepCaptionFor(1033, -1), L"");
}

// The failure text of the dialog: step caption followed by UiText 6.
TEST_F(TextTables, FailureTextOfStep3) {
    Use(1033);
    EXPECT_EQ(std::wstring(StepCaption(3)) + UiText(6), L"Download configuration file Fail");
    Use(2052);
    EXPECT_EQ(std::wstring(StepCaption(3)) + UiText(6),
              L"\u4E0B\u8F7D\u914D\u7F6E\u6587\u4EF6\u5931\u8D25");  // 下载配置文件失败
}

// Every entry fits its slot of 100 wide characters with its terminating NUL.
TEST(TextTablesFor, EveryEntryFitsItsSlot) {
    for (int32_t language : {1033, 1028, 2052}) {
        for (int i = 0; i < 15; ++i) EXPECT_LT(wcslen(ui::StepCaptionFor(language, i)), 100u);
        for (int i = 0; i < 11; ++i) EXPECT_LT(wcslen(ui::UiTextFor(language, i)), 100u);
    }
}
