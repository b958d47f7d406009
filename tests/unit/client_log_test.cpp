// The storage client's diagnostic log: level filter, the two sinks, the
// callback line and its cut.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <printf.h>
#endif

#include "test_support.h"
#include "util/client_log.h"

namespace objstore {
namespace {

using test::LogCapture;

class ClientLogTest : public test::SettingsTest {
  protected:
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
};

// Runs fn with standard output captured and returns what it wrote.
template <typename Fn>
std::string CapturedStdout(Fn fn) {
    testing::internal::CaptureStdout();
    fn();
    return testing::internal::GetCapturedStdout();
}

// "YYYY-MM-DD HH:MM:SS " at the start of a callback line, as seconds since the epoch.
bool ReadLineTime(const std::string& line, std::time_t* when) {
    std::tm local{};
    char blank = 0;
    if (line.size() < 20 ||
        std::sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &local.tm_year, &local.tm_mon,
                    &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec, &blank) != 7 ||
        blank != ' ' || line[4] != '-' || line[7] != '-' || line[10] != ' ' || line[13] != ':' ||
        line[16] != ':') {
        return false;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    *when = std::mktime(&local);
    return true;
}

constexpr size_t kTimeLength = 20;  // "YYYY-MM-DD HH:MM:SS "

TEST(LogLevelTagTest, TagsOfTheLevels) {
    EXPECT_STREQ(LogLevelTag(kLogError), "[ERR] ");
    EXPECT_STREQ(LogLevelTag(kLogWarn), "[WARN] ");
    EXPECT_STREQ(LogLevelTag(kLogInfo), "[INFO] ");
    EXPECT_STREQ(LogLevelTag(kLogDebug), "[DBG] ");
    for (int other : {0, 5, -1, 100}) EXPECT_STREQ(LogLevelTag(other), "[CRIT]") << other;
}

TEST_F(ClientLogTest, LevelFilterAppliesToBothSinks) {
    for (int filter = 0; filter <= 5; ++filter) {
        for (int level = kLogError; level <= kLogDebug; ++level) {
            SCOPED_TRACE("LogLevel " + std::to_string(filter) + ", statement level " +
                         std::to_string(level));
            settings.SetLogLevel(filter);
            LogCapture log;
            const std::string out = CapturedStdout(
                [&] { ClientLog(level, "src/op/x.cpp", "Op", 7, "%s:%s(%d) value=%d\n", 3); });
            const bool written = filter >= level;
            EXPECT_EQ(out, written ? std::string(LogLevelTag(level)) + ":Op(7) value=3\n" : "");
            EXPECT_EQ(log.Lines().size(), written ? 1u : 0u);
        }
    }
}

TEST_F(ClientLogTest, StandardOutputLineCarriesTagOperationAndLine) {
    const std::string out = CapturedStdout([] {
        ClientLog(kLogDebug, "src/op/base_op.cpp", "GetRealUrl", 123, "%s:%s(%d) dest_uri: %s\n",
                  "http://pkgs-42.cos.ap-example.storage.example/8.5/base.zip");
    });
    EXPECT_EQ(out,
              "[DBG] :GetRealUrl(123) dest_uri: "
              "http://pkgs-42.cos.ap-example.storage.example/8.5/base.zip\n");
}

TEST_F(ClientLogTest, CallbackLineCarriesTimeTagAndSourcePath) {
    LogCapture log;
    const std::time_t before = std::time(nullptr);
    const std::string out = CapturedStdout([] {
        ClientLog(kLogInfo, "src/util/http_sender.cpp", "SendRequest", 88,
                  "%s:%s(%d) send request to [%s]\n", "http://h/a");
    });
    const std::time_t after = std::time(nullptr);

    // Standard output: the tag in front, no time, no path.
    EXPECT_EQ(out, "[INFO] :SendRequest(88) send request to [http://h/a]\n");

    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines[0];
    std::time_t when = 0;
    ASSERT_TRUE(ReadLineTime(line, &when)) << line;
    EXPECT_GE(when, before);
    EXPECT_LE(when, after);
    EXPECT_EQ(line.substr(kTimeLength),
              "[INFO] src/util/http_sender.cpp:SendRequest(88) send request to [http://h/a]\n");
}

TEST_F(ClientLogTest, MacrosSupplyFileOperationAndLine) {
    LogCapture log;
    settings.SetLogOutput(0);
    const int line = __LINE__ + 1;
    OBJSTORE_LOG_WARN("%s:%s(%d) value=%d\n", 5);
    OBJSTORE_LOG_ERR("%s:%s(%d) plain\n");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(kTimeLength), std::string("[WARN] ") + __FILE__ + ":TestBody(" +
                                                std::to_string(line) + ") value=5\n");
    EXPECT_EQ(lines[1].substr(kTimeLength), std::string("[ERR] ") + __FILE__ + ":TestBody(" +
                                                std::to_string(line + 1) + ") plain\n");
}

TEST_F(ClientLogTest, OutputSettingChoosesTheFirstSinkOnly) {
    for (int output : {0, 1, 2, 3, -1}) {
        SCOPED_TRACE("LogOutput " + std::to_string(output));
        settings.SetLogOutput(output);
        LogCapture log;
        const std::string out =
            CapturedStdout([] { ClientLog(kLogError, "f.cpp", "Op", 1, "%s:%s(%d) x\n"); });
        EXPECT_EQ(out, output == 1 ? "[ERR] :Op(1) x\n" : "");
        EXPECT_EQ(log.Lines().size(), 1u);  // the callback does not depend on LogOutput
    }
}

TEST_F(ClientLogTest, OutputTwoWithoutCallbackWritesNothing) {
    settings.SetLogOutput(2);
    ASSERT_FALSE(settings.HasLogCallback());
    const std::string out = CapturedStdout([] {
        for (int level = kLogError; level <= kLogDebug; ++level) {
            ClientLog(level, "f.cpp", "Op", 1, "%s:%s(%d) x=%s\n", "y");
        }
    });
    EXPECT_EQ(out, "");
}

TEST_F(ClientLogTest, PercentSignsInPathAndOperationAreWrittenLiterally) {
    LogCapture log;
    const std::string out = CapturedStdout(
        [] { ClientLog(kLogInfo, "dir%d/a.cpp", "Op%d", 2, "%s:%s(%d) v=%s\n", "w"); });
    EXPECT_EQ(out, "[INFO] :Op%d(2) v=w\n");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(kTimeLength), "[INFO] dir%d/a.cpp:Op%d(2) v=w\n");
}

TEST_F(ClientLogTest, FormatLogLineUsesCritForOtherLevels) {
    for (int level : {0, 5, -3}) {
        const std::string line = FormatLogLine(level, "%s:%s(%d) x\n", "f.cpp", "Op", 9);
        std::time_t when = 0;
        ASSERT_TRUE(ReadLineTime(line, &when)) << line;
        EXPECT_EQ(line.substr(kTimeLength), "[CRIT]f.cpp:Op(9) x\n");
    }
}

// The statement text is formatted into 1024 bytes including the terminating
// zero: 1023 bytes of text fit, anything longer is cut and loses its line feed.
TEST_F(ClientLogTest, CallbackTextIsCutAt1023Bytes) {
    const std::string prefix = "[DBG] ";
    struct Case {
        size_t textLength;  // bytes the format would produce, line feed included
        bool keepsLineFeed;
    };
    for (const Case& c : {Case{1022, true}, Case{1023, true}, Case{1024, false}, Case{1025, false},
                          Case{100000, false}}) {
        SCOPED_TRACE("text of " + std::to_string(c.textLength) + " bytes");
        const std::string text = std::string(c.textLength - 1, 'x') + "\n";
        const std::string line = FormatLogLine(kLogDebug, "%s", text.c_str());
        ASSERT_GE(line.size(), kTimeLength + prefix.size());
        EXPECT_EQ(line.substr(kTimeLength, prefix.size()), prefix);
        const std::string body = line.substr(kTimeLength + prefix.size());
        if (c.keepsLineFeed) {
            EXPECT_EQ(body, text);
        } else {
            EXPECT_EQ(body, std::string(1023, 'x'));
        }
    }
}

TEST_F(ClientLogTest, LongStatementIsCutOnTheCallbackLineOnly) {
    LogCapture log;
    const std::string body(5000, 'b');
    const std::string out = CapturedStdout([&] {
        ClientLog(kLogError, "src/op/cos_result.cpp", "ParseFromHttpResponse", 61,
                  "%s:%s(%d) Parse string to xml doc error, xml_body=%s\n", body.c_str());
    });
    EXPECT_EQ(out, "[ERR] :ParseFromHttpResponse(61) Parse string to xml doc error, xml_body=" +
                       body + "\n");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string text = lines[0].substr(kTimeLength + std::string("[ERR] ").size());
    const std::string lead =
        "src/op/cos_result.cpp:ParseFromHttpResponse(61) Parse string to xml doc error, xml_body=";
    EXPECT_EQ(text, lead + std::string(1023 - lead.size(), 'b'));
}

#if defined(__GLIBC__)
// A printf conversion of our own ("%W", taking an int) counts how often the C
// library formats it, which shows whether a statement was formatted at all.
std::atomic<int> g_formatCount{0};

int CountingConversion(FILE* stream, const struct printf_info*, const void* const*) {
    ++g_formatCount;
    return std::fprintf(stream, "W");
}

int CountingConversionArgs(const struct printf_info*, size_t n, int* types, int* sizes) {
    if (n > 0) {
        types[0] = PA_INT;
        sizes[0] = sizeof(int);
    }
    return 1;
}

TEST_F(ClientLogTest, FilteredStatementIsNotFormatted) {
    static const bool registered =
        register_printf_specifier('W', CountingConversion, CountingConversionArgs) == 0;
    ASSERT_TRUE(registered);
    // Called directly: the macros' compile-time format check does not know %W.
    auto statement = [](int level) {
        ClientLog(level, "f.cpp", "Op", 1, "%s:%s(%d) counted=%W\n", 0);
    };

    // Written to both sinks: the conversion is formatted (the counter works).
    LogCapture log;
    g_formatCount = 0;
    const std::string out = CapturedStdout([&] { statement(kLogDebug); });
    EXPECT_EQ(out, "[DBG] :Op(1) counted=W\n");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_GE(g_formatCount.load(), 2);

    // Filtered out with a callback set and standard output on: nothing formatted.
    settings.SetLogLevel(kLogInfo);
    g_formatCount = 0;
    EXPECT_EQ(CapturedStdout([&] { statement(kLogDebug); }), "");
    EXPECT_EQ(g_formatCount.load(), 0);
    EXPECT_EQ(log.Lines().size(), 1u);

    // Level passes but neither sink wants a line: still nothing formatted.
    settings.SetLogLevel(kLogDebug);
    settings.SetLogOutput(2);
    settings.SetLogCallback(nullptr);
    g_formatCount = 0;
    statement(kLogDebug);
    EXPECT_EQ(g_formatCount.load(), 0);
}
#endif

// Several threads log at once; every line reaches both sinks whole.
TEST_F(ClientLogTest, ConcurrentStatementsStayWhole) {
    LogCapture log;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    const std::string out = CapturedStdout([&] {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < kPerThread; ++i) {
                    ClientLog(kLogInfo, "f.cpp", "Worker", t, "%s:%s(%d) item=%d of %s\n", i,
                              "a-fairly-long-text-to-make-interleaving-visible");
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
    });
    size_t count = 0;
    size_t start = 0;
    while (start < out.size()) {
        const size_t end = out.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = out.substr(start, end - start);
        int thread = -1, item = -1;
        char tail[64] = {0};
        EXPECT_EQ(
            std::sscanf(line.c_str(), "[INFO] :Worker(%d) item=%d of %63s", &thread, &item, tail),
            3)
            << line;
        EXPECT_STREQ(tail, "a-fairly-long-text-to-make-interleaving-visible") << line;
        ++count;
        start = end + 1;
    }
    EXPECT_EQ(count, static_cast<size_t>(kThreads * kPerThread));
    EXPECT_EQ(log.Lines().size(), static_cast<size_t>(kThreads * kPerThread));
}

}  // namespace
}  // namespace objstore
