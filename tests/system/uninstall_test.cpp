#include "system/uninstall.h"

#include <gtest/gtest.h>

#include "system/shortcut.h"
#include "win_test_support.h"

using wintest::TempFolder;

namespace {

const char kBrand936[] = "\xB2\xE2\xCA\xD4";  // 测试
const wchar_t kBrandWide[] = L"\u6D4B\u8BD5";
const char kWow[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kPlain[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring ReadText(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return L"<missing>";
    std::wstring text(size / sizeof(WCHAR) + 1, L'\0');
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size);
    return text.c_str();
}

// Fills the settings with a product of its own for the test and removes its entry afterwards.
class UninstallEntry : public ::testing::Test {
  protected:
    void SetUp() override {
        ProductSettings& s = ProductSettings::Instance();
        s = ProductSettings();
        s.packageCode = "9" + std::to_string(10000 + GetCurrentProcessId() % 90000);
        s.brandName = kBrand936;
        s.installDir = "C:\\Program Files\\Tallowind x";
        s.installedVersion = "fix_20240101";
        keyName = UninstallKeyName(s.packageCode);
        // Every 64-bit Windows has the 32-bit view's Uninstall key; a fresh Wine prefix lacks it.
        HKEY parent = nullptr;
        if (wintest::UnderWine() &&
            RegCreateKeyA(HKEY_LOCAL_MACHINE, kWow, &parent) == ERROR_SUCCESS)
            RegCloseKey(parent);
    }
    void TearDown() override {
        for (const char* parent : {kWow, kPlain})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(parent) + keyName).c_str());
        ProductSettings::Instance() = ProductSettings();
    }
    HKEY Open(const char* parent) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(parent) + keyName).c_str(), 0,
                          KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return nullptr;
        return key;
    }
    TempFolder dir;  // natively: a system root of the test's own
    std::string keyName;
};

}  // namespace

TEST(UninstallParent, Wow6432NodeOnlyForIa64AndAmd64) {
    struct Case {
        bool available;
        WORD architecture;
        const char* parent;
    } cases[] = {{true, PROCESSOR_ARCHITECTURE_AMD64, kWow},
                 {true, PROCESSOR_ARCHITECTURE_IA64, kWow},
                 {true, PROCESSOR_ARCHITECTURE_INTEL, kPlain},
                 {true, PROCESSOR_ARCHITECTURE_ARM64, kPlain},
                 {false, PROCESSOR_ARCHITECTURE_AMD64, kPlain}};
    for (const auto& c : cases)
        EXPECT_STREQ(UninstallParentKey(c.available, c.architecture), c.parent) << c.architecture;
}

TEST_F(UninstallEntry, ValuesComeInTableOrderUnquoted) {
    auto values = UninstallValues(ProductSettings::Instance(), "C:\\Users\\Public\\Desktop");
    ASSERT_EQ(values.size(), 6u);
    const char* names[] = {"DisplayName",    "UninstallString", "DisplayIcon",
                           "DisplayVersion", "Publisher",       "Shortcut"};
    const bool wide[] = {true, false, false, false, true, true};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(values[i].name, names[i]);
        EXPECT_EQ(values[i].wide, wide[i]) << names[i];
    }
    EXPECT_EQ(values[1].narrow, "C:\\Program Files\\Tallowind x\\uninstall.exe");
    EXPECT_EQ(values[2].narrow, "C:\\Program Files\\Tallowind x\\OndrelDeskTrade.exe");
    EXPECT_EQ(values[5].text,
              std::wstring(L"C:\\Users\\Public\\Desktop\\") + kBrandWide + L"v8.5.lnk");
}

TEST_F(UninstallEntry, RegistersUnderTheParentOfThisMachineAndRewritesOnASecondRun) {
    ASSERT_EQ(RegisterUninstall(), 0);
    ProductSettings::Instance().installedVersion = "fix_20250202";
    ASSERT_EQ(RegisterUninstall(), 0);
    HKEY key = Open(kWow);  // 64-bit x86 in both builds
    ASSERT_NE(key, nullptr);
    std::string desktop;
    ASSERT_GE(GetCommonDesktopDir(desktop), 0);
    EXPECT_EQ(ReadText(key, L"DisplayName"), std::wstring(kBrandWide) + L"v8.5");
    EXPECT_EQ(ReadText(key, L"UninstallString"), L"C:\\Program Files\\Tallowind x\\uninstall.exe");
    EXPECT_EQ(ReadText(key, L"DisplayIcon"),
              L"C:\\Program Files\\Tallowind x\\OndrelDeskTrade.exe");
    EXPECT_EQ(ReadText(key, L"DisplayVersion"), L"fix_20250202");
    EXPECT_EQ(ReadText(key, L"Publisher"), L"Ondrel Information");
    EXPECT_EQ(ReadText(key, L"Shortcut"),
              wintest::Wide(desktop) + L"\\" + kBrandWide + L"v8.5.lnk");
    RegCloseKey(key);
    EXPECT_EQ(Open(kPlain), nullptr);
}

TEST_F(UninstallEntry, OtherArchitecturesAndMissingSystemInfoUseThePlainPath) {
    if (wintest::UnderWine()) GTEST_SKIP() << "the processor cannot be changed under Wine";
    char root[MAX_PATH];
    GetEnvironmentVariableA("OBJSTORE_SYSROOT", root, MAX_PATH);
    std::string settings = wintest::WindowsPathOfHost(root) + "\\settings.ini";
    ASSERT_TRUE(
        WritePrivateProfileStringA("machine", "processor_architecture", "12", settings.c_str()));
    ASSERT_EQ(RegisterUninstall(), 0);
    HKEY key = Open(kPlain);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(Open(kWow), nullptr);
    TearDown();
    SetUp();
    ASSERT_TRUE(
        WritePrivateProfileStringA("machine", "processor_architecture", "9", settings.c_str()));
    ASSERT_TRUE(
        WritePrivateProfileStringA("machine", "hide_native_system_info", "1", settings.c_str()));
    ASSERT_EQ(RegisterUninstall(), 0);
    key = Open(kPlain);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
}
