#include "system/shortcut.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "system/install_log.h"
#include "system/product_settings.h"
#include "win_test_support.h"

using wintest::TempFolder;

namespace {

const char kInstall936[] = "\xB0\xB2\xD7\xB0 dir";  // 安装 dir
const wchar_t kInstallWide[] = L"\u5B89\u88C5 dir";
const char kBrand936[] = "\xB2\xE2\xCA\xD4";  // 测试

// The texts of the install log's lines, without time stamps.
std::vector<std::string> LogTexts(const std::string& logDir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((logDir + "\\*install.log").c_str(), &data);
    std::vector<std::string> texts;
    if (find == INVALID_HANDLE_VALUE) return texts;
    FindClose(find);
    std::string bytes = wintest::ReadBytes(logDir + "\\" + data.cFileName);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) return texts;
    std::istringstream lines(bytes.substr(3));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t tabs = line.find("\t\t");
        texts.push_back(tabs == std::string::npos ? line : line.substr(tabs + 2));
    }
    return texts;
}

class DesktopShortcut : public ::testing::Test {
  protected:
    void SetUp() override {
        ProductSettings& s = ProductSettings::Instance();
        s = ProductSettings();
        s.brandName = kBrand936 + std::to_string(GetCurrentProcessId());
        s.installDir = dir.Path() + "\\" + kInstall936;
        s.logDir = dir / "logs";
        installWide = wintest::Wide(dir.Path()) + L"\\" + kInstallWide;
        ASSERT_TRUE(CreateDirectoryW(installWide.c_str(), nullptr));
        ASSERT_TRUE(wintest::WriteBytes(installWide + L"\\OndrelDeskTrade.exe", "MZ"));
        ASSERT_GE(GetCommonDesktopDir(desktop), 0);
        linkWide = wintest::Wide(desktop) + L"\\\u6D4B\u8BD5" +
                   wintest::Wide(std::to_string(GetCurrentProcessId())) + L"v8.5.lnk";
        OpenInstallLog();
    }
    void TearDown() override {
        CloseInstallLog();
        DeleteFileW(linkWide.c_str());
        ProductSettings::Instance() = ProductSettings();
    }
    TempFolder dir;
    std::string desktop;
    std::wstring installWide, linkWide;
};

}  // namespace

TEST(ShortcutNames, BrandFollowedByVersion) {
    EXPECT_EQ(ShortcutPath("C:\\Users\\Public\\Desktop", "Brand"),
              "C:\\Users\\Public\\Desktop\\Brandv8.5.lnk");
}

TEST_F(DesktopShortcut, PointsToTheProductAndLogsEveryStep) {
    ASSERT_TRUE(wintest::WriteBytes(linkWide, "an older shortcut"));
    ASSERT_TRUE(CreateDesktopShortcut());
    CloseInstallLog();
    std::vector<std::string> expected = {
        wintest::Utf8(linkWide),
        wintest::Utf8(installWide + L"\\OndrelDeskTrade.exe"),
        wintest::Utf8(installWide),
        "CoInitialize : 0",
        "CoCreateInstance : 0",
        "IShellLink::SetPath : 0",
        "IShellLink::SetWorkingDirectory : 0",
        "IShellLink::QueryInterface : 0",
        "IPersistFile::Save : 0",
    };
    EXPECT_EQ(LogTexts(dir / "logs"), expected);

    std::string out;
    ASSERT_TRUE(wintest::RunHostShell(
        "lnkinfo -c windows-936 '" + wintest::HostPathOf(linkWide) + "'", out, dir))
        << out;
    EXPECT_NE(out.find("Working directory\t\t: " + wintest::Utf8(installWide) + "\n"),
              std::string::npos)
        << out;
    // The local path is also stored in the ANSI code page, which lnkinfo shows; Wine under a
    // non-Chinese locale (ANSI code page 1252) cannot store 安装 there, so check it only with 936.
    if (GetACP() == 936)
        EXPECT_NE(
            out.find("Local path\t\t\t: " + wintest::Utf8(installWide) + "\\OndrelDeskTrade.exe\n"),
            std::string::npos)
            << out;
    else
        EXPECT_NE(out.find("Local path\t\t\t: " + dir.Path() + "\\"), std::string::npos) << out;
}

TEST_F(DesktopShortcut, FailingObjectCreationLeavesTwoLinesAndNoFile) {
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    SaveShortcut(linkWide, installWide + L"\\OndrelDeskTrade.exe", installWide, unknown);
    CloseInstallLog();
    std::vector<std::string> texts = LogTexts(dir / "logs");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "CoInitialize : 0");
    ASSERT_EQ(texts[1].compare(0, 19, "CoCreateInstance : "), 0);
    EXPECT_LT(std::stoll(texts[1].substr(19)), 0);
    EXPECT_EQ(GetFileAttributesW(linkWide.c_str()), INVALID_FILE_ATTRIBUTES);
}
