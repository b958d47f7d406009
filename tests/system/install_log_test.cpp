#include "system/install_log.h"

#include <gtest/gtest.h>

#include <cctype>

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

// "[hh:mm:ss mmm]\t\t" at the start of a line.
bool StartsWithTimeStamp(const std::string& line) {
    const std::string shape = "[00:00:00 000]\t\t";
    if (line.size() < shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '0' ? !isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i])
            return false;
    }
    return true;
}

bool IsLogFileName(const std::string& name) {
    if (name.size() != 20 || name.compare(9, 11, "install.log") != 0) return false;
    for (size_t i = 0; i < 9; ++i)
        if (!isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
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
    ASSERT_TRUE(IsLogFileName(name)) << name;
    std::string path = settings.logDir + "\\" + name;
    std::string whileOpen = wintest::ReadBytes(path);  // flushed already
    CloseInstallLog();
    EXPECT_EQ(InstallLogFile, nullptr);
    WriteLogLine("after the log is closed");
    std::string bytes = wintest::ReadBytes(path);
    EXPECT_EQ(whileOpen, bytes);
    // BOM, then each line: time stamp, two tabs, the text, CR LF.
    ASSERT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
    const std::string texts[] = {"C:\\\xE4\xB8\xAD\xE6\x96\x87\\Tallowind", "CoInitialize : 0"};
    size_t pos = 3;
    for (const auto& text : texts) {
        std::string line = bytes.substr(pos, 16 + text.size() + 2);
        EXPECT_TRUE(StartsWithTimeStamp(line)) << line;
        EXPECT_EQ(line.substr(16), text + "\r\n");
        pos += line.size();
    }
    EXPECT_EQ(pos, bytes.size());
    settings = ProductSettings();
}
