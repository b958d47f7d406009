// The resources objstore_brand_resources() gives a program, checked against the brand folder's own
// files: the same answers natively (registered by RegisterBrandResources) and under Wine (compiled
// into the executable).
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "brand_resources.h"
#include "platform/win32.h"
#include "win_test_support.h"

namespace {

// KEY=VALUE lines of brand.ini, UTF-8 as written.
std::map<std::string, std::string> BrandTexts() {
    std::istringstream lines(wintest::ReadBytes(wintest::WindowsPathOfHost(BRAND_INI_PATH)));
    std::map<std::string, std::string> texts;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t equals = line.find('=');
        if (line.empty() || line[0] == ';' || line[0] == '[' || equals == std::string::npos) {
            continue;
        }
        texts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return texts;
}

std::string AnsiText(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], n, nullptr,
                            nullptr);
    }
    return out;
}

class BrandResources : public testing::Test {
  protected:
    static void SetUpTestSuite() { RegisterBrandResources(); }
    HINSTANCE instance_ = GetModuleHandleW(nullptr);
};

struct StringCase {
    UINT id;
    const char* key;
};
const StringCase kStrings[] = {
    {kBrandPackageCodeString, "package_code"},
    {kBrandNameSimplifiedString, "name_simplified"},
    {kBrandNameTraditionalString, "name_traditional"},
    {kBrandNameLatinString, "name_latin"},
    {kBrandEndpointString, "endpoint"},
    {kBrandCompanyString, "company"},
};

TEST_F(BrandResources, StringsAreTheTextsOfBrandIni) {
    std::map<std::string, std::string> texts = BrandTexts();
    for (const StringCase& c : kStrings) {
        SCOPED_TRACE(c.key);
        ASSERT_EQ(texts.count(c.key), 1u);
        std::wstring expected = wintest::Wide(texts[c.key]);
        ASSERT_FALSE(expected.empty());
        wchar_t wide[256] = {};
        EXPECT_EQ(LoadStringW(instance_, c.id, wide, 256), int(expected.size()));
        EXPECT_EQ(std::wstring(wide), expected);
        // The narrow form is in the ANSI code page; ASCII texts come back byte for byte.
        char narrow[256] = {};
        std::string ansi = AnsiText(expected);
        EXPECT_EQ(LoadStringA(instance_, c.id, narrow, 256), int(ansi.size()));
        EXPECT_EQ(std::string(narrow), ansi);
        bool ascii = true;
        for (char ch : texts[c.key]) ascii = ascii && (static_cast<unsigned char>(ch) < 0x80);
        if (ascii) {
            EXPECT_EQ(std::string(narrow), texts[c.key]);
        }
    }
}

TEST_F(BrandResources, BackgroundsAre500By310) {
    for (UINT id : {kBrandIdleBitmap, kBrandInstallingBitmap}) {
        SCOPED_TRACE(id);
        HBITMAP bitmap = LoadBitmapW(instance_, MAKEINTRESOURCEW(id));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info = {};
        ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), int(sizeof info));
        EXPECT_EQ(info.bmWidth, 500);
        EXPECT_EQ(info.bmHeight, 310);
        DeleteObject(bitmap);
    }
}

TEST_F(BrandResources, IconLoadsAndOtherIdsDoNot) {
    EXPECT_NE(LoadIconW(instance_, MAKEINTRESOURCEW(kBrandIcon)), nullptr);
    EXPECT_EQ(LoadIconW(instance_, MAKEINTRESOURCEW(kBrandIcon + 1000)), nullptr);
    EXPECT_EQ(LoadBitmapW(instance_, MAKEINTRESOURCEW(kBrandIdleBitmap + 1000)), nullptr);
}

TEST_F(BrandResources, ManifestAsksForAdministratorWithoutDpiAwareness) {
#ifdef _WIN32
    HRSRC found = FindResourceW(instance_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(instance_, found)));
    ASSERT_NE(data, nullptr);
    std::string manifest(data, SizeofResource(instance_, found));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
#else
    GTEST_SKIP() << "a manifest is part of a Windows executable only; the native build has none";
#endif
}

}  // namespace
