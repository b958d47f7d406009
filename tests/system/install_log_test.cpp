#include "system/install_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "system/product_settings.h"
#include "system/text_convert.h"
#include "win_test_support.h"

using wintest::TempFolder;

namespace {

SYSTEMTIME At(WORD h, WORD m, WORD s, WORD ms) {
    SYSTEMTIME t = {};
    t.wHour = h;
    t.wMinute = m;
    t.wSecond = s;
    t.wMilliseconds = ms;
    return t;
}

// The single file in a folder.
std::string OnlyFileIn(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.log").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    std::string name = data.cFileName;
    bool more = FindNextFileA(find, &data);
    FindClose(find);
    return more ? std::string() : name;
}

}  // namespace

TEST(InstallLog, NamesAndLinesFollowTheTimeFormat) {
    EXPECT_EQ(InstallLogFileName(At(9, 30, 15, 42)), "093015042install.log");
    EXPECT_EQ(FormatLogLine(At(9, 30, 16, 125), "text"), "[09:30:16 125]\t\ttext\r\n");
    EXPECT_EQ(FormatLogLine(At(23, 5, 0, 7), ""), "[23:05:00 007]\t\t\r\n");
}

TEST(InstallLog, FileHoldsBomAndOneFlushedLinePerCall) {
    TempFolder dir;
    ProductSettings& settings = ProductSettings::Instance();
    settings.logDir = dir / "logs\\tallowindlogV8.5";  // created by OpenInstallLog
    WriteLogLine("before the log is open");
    OpenInstallLog();
    ASSERT_NE(InstallLogFile, nullptr);
    std::string chinese936 = "C:\\\xD6\xD0\xCE\xC4\\Tallowind";  // C:\中文\Tallowind
    WriteLogLine(PathTextToUtf8(chinese936).c_str());
    WriteLogLine("CoInitialize : 0");
    std::string name = OnlyFileIn(settings.logDir);
    ASSERT_TRUE(std::regex_match(name, std::regex("[0-9]{9}install\\.log"))) << name;
    std::string path = settings.logDir + "\\" + name;
    std::string whileOpen = wintest::ReadBytes(path);  // flushed already
    CloseInstallLog();
    EXPECT_EQ(InstallLogFile, nullptr);
    WriteLogLine("after the log is closed");
    std::string bytes = wintest::ReadBytes(path);
    EXPECT_EQ(whileOpen, bytes);
    std::regex expected(
        "\xEF\xBB\xBF"
        "\\[[0-9]{2}:[0-9]{2}:[0-9]{2} "
        "[0-9]{3}\\]\t\tC:\\\\\xE4\xB8\xAD\xE6\x96\x87\\\\Tallowind\r\n"
        "\\[[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{3}\\]\t\tCoInitialize : 0\r\n");
    EXPECT_TRUE(std::regex_match(bytes, expected)) << bytes;
    settings = ProductSettings();
}
