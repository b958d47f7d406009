#include "release_sources.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include <Poco/File.h>

namespace release_test {
namespace {

namespace fs = std::filesystem;

// The sources. Times carry odd seconds (the zip format keeps even ones) and one
// lies before 1980 (the earliest time the format holds).
std::vector<SourceEntry> Entries() {
    return {
        {"product/OndrelDeskTrade.exe", "OndrelDeskTrade.exe", "MZ sample product\n",
         "2024-03-05 14:07:33", "20240305.140732"},
        {"product/data/", "data/", "", "2023-11-30 08:00:00", "20231130.080000"},
        {"product/data/big.bin", "data/big.bin", objstore::test::RandomBytes(300 * 1024, 7),
         "2025-01-02 03:04:05", "20250102.030404"},
        {"product/data/instruments.csv", "data/instruments.csv", "code,name\nIF,index\n",
         "2022-12-31 23:59:59", "20221231.235958"},
        {"product/data/\xE8\xA1\x8C\xE6\x83\x85.csv", "data/\xD0\xD0\xC7\xE9.csv", "q\n",
         "2021-06-15 10:20:30", "20210615.102030"},
        {"product/logs/", "logs/", "", "1975-06-01 12:00:00", "19800101.000000"},
        {"product/uninstall.exe", "uninstall.exe", "MZ sample uninstaller\n", "2024-03-05 14:07:40",
         "20240305.140740"},
        {"base/msvcp-sample.dll", "msvcp-sample.dll", "MZ library\n", "2020-02-29 06:30:00",
         "20200229.063000"},
        {"base/services/", "services/", "", "2020-03-01 00:00:01", "20200301.000000"},
        {"base/services/quote.ini", "services/quote.ini", "[quote]\r\nport=7000\r\n",
         "2020-03-01 00:00:02", "20200301.000002"},
        {"config/config/", "config/", "", "2026-11-30 17:45:10", "20261130.174510"},
        {"config/config/LoginFrm.ini", "config/LoginFrm.ini", "[login]\r\n", "2026-11-30 17:45:11",
         "20261130.174510"},
        {"config/config/ServerInfo/", "config/ServerInfo/", "", "2026-11-30 17:45:12",
         "20261130.174512"},
        {"config/config/ServerInfo/0001.pub", "config/ServerInfo/0001.pub",
         "[servers]\r\nmain=10.0.0.1:7000\r\n", "2026-11-30 17:45:14", "20261130.174514"},
        {"config/config/ServerInfo/0002.pub", "config/ServerInfo/0002.pub",
         "[servers]\r\nmain=10.0.0.2:7000\r\n", "2026-12-01 09:00:00", "20261201.090000"},
        {"depend/web/", "web/", "", "2019-07-07 07:07:07", "20190707.070706"},
        {"depend/web/index.html", "web/index.html", "<html></html>\n", "2019-07-07 07:07:08",
         "20190707.070708"},
        {"quant/strategies/", "strategies/", "", "2018-01-01 01:01:01", "20180101.010100"},
        {"quant/strategies/sample.py", "strategies/sample.py", "print('q')\n",
         "2018-01-01 01:01:02", "20180101.010102"},
    };
}

void SetModified(const std::string& path, const std::string& localTime) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(LocalSeconds(localTime));
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + path);
}

}  // namespace

long long LocalSeconds(const std::string& localTime) {
    std::tm local{};
    if (std::sscanf(localTime.c_str(), "%d-%d-%d %d:%d:%d", &local.tm_year, &local.tm_mon,
                    &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6)
        throw std::invalid_argument("not a local time: " + localTime);
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<std::string> ReleaseArgs::ToVector() const {
    std::vector<std::string> args;
    const auto add = [&args](const char* option, const std::string& value) {
        if (value.empty()) return;
        args.push_back(option);
        args.push_back(value);
    };
    add("--product", product);
    add("--base", base);
    add("--config", config);
    add("--depend", depend);
    add("--quant", quant);
    add("--runtime-name", runtimeName);
    add("--quant-name", quantName);
    for (const std::string& code : packageCodes) add("--package-code", code);
    add("--cfg-stamp", cfgStamp);
    add("--output", output);
    if (force) args.push_back("--force");
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

ReleaseSources::ReleaseSources() : m_entries(Entries()) {
    for (const SourceEntry& entry : m_entries) {
        if (entry.IsFolder())
            Poco::File(m_dir.PathOf(entry.path)).createDirectories();
        else
            m_dir.WriteFile(entry.path, entry.content);
    }
    // Times last: writing into a folder would change the folder's time.
    for (const SourceEntry& entry : m_entries) SetModified(PathOf(entry.path), entry.localTime);
}

std::vector<SourceEntry> ReleaseSources::PackageEntries(const std::string& folder) const {
    std::vector<SourceEntry> entries;
    std::copy_if(
        m_entries.begin(), m_entries.end(), std::back_inserter(entries),
        [&folder](const SourceEntry& entry) { return entry.path.rfind(folder + "/", 0) == 0; });
    return entries;
}

ReleaseArgs ReleaseSources::MinimalArgs() const {
    ReleaseArgs args;
    args.product = PathOf("product");
    args.base = PathOf("base");
    args.config = PathOf("config");
    args.output = PathOf("bucket");
    return args;
}

ReleaseArgs ReleaseSources::FullArgs() const {
    ReleaseArgs args = MinimalArgs();
    args.depend = PathOf("depend");
    args.quant = PathOf("quant");
    args.quantName = "quant-8.5.0-t";
    return args;
}

void ReleaseSources::Write(const std::string& relative, const std::string& content,
                           const std::string& localTime) const {
    m_dir.WriteFile(relative, content);
    SetModified(PathOf(relative), localTime);
}

ProgramResult RunBuilder(const ReleaseArgs& args) {
    return RunProgram(RELEASE_BUILDER_PATH, args.ToVector());
}

std::vector<std::string> TreeBelow(const std::string& root) {
    std::vector<std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(item.path(), root).string();
        tree.push_back(relative + (item.is_directory() ? "/" : ""));
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace release_test
