#include "cli_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace objstore_cli {
namespace {

std::optional<std::string> NoEnv(const char*) {
    return std::nullopt;
}

std::optional<std::string> SomeEnv(const char* name) {
    if (std::strcmp(name, "OBJSTORE_SECRET_ID") == 0) return std::string("env-id");
    if (std::strcmp(name, "OBJSTORE_SECRET_KEY") == 0) return std::string("env-key");
    if (std::strcmp(name, "OBJSTORE_REGION") == 0) return std::string("env-region");
    if (std::strcmp(name, "OBJSTORE_APP_ID") == 0) return std::string("42");
    if (std::strcmp(name, "OBJSTORE_ENDPOINT") == 0) return std::string("127.0.0.1:9");
    return std::nullopt;
}

TEST(CliOptions, EnvironmentFillsSettingsAndOptionsOverrideIt) {
    ParseOutcome fromEnv = ParseCommandLine({"head", "pkgs", "a.zip"}, SomeEnv);
    ASSERT_TRUE(fromEnv.ok) << fromEnv.error;
    EXPECT_EQ(fromEnv.options.secretId, "env-id");
    EXPECT_EQ(fromEnv.options.secretKey, "env-key");
    EXPECT_EQ(fromEnv.options.region, "env-region");
    EXPECT_EQ(fromEnv.options.appId, 42u);
    EXPECT_EQ(fromEnv.options.endpoint, "127.0.0.1:9");
    EXPECT_TRUE(fromEnv.options.fastProfile);  // get's default

    ParseOutcome overridden = ParseCommandLine(
        {"--secret-id", "opt-id", "--region", "r2", "--app-id", "7", "get", "b", "k", "out.bin",
         "--threads", "4", "--slice-size", "65536", "--profile", "standard"},
        SomeEnv);
    ASSERT_TRUE(overridden.ok) << overridden.error;
    EXPECT_EQ(overridden.options.secretId, "opt-id");
    EXPECT_EQ(overridden.options.region, "r2");
    EXPECT_EQ(overridden.options.appId, 7u);
    EXPECT_EQ(overridden.options.command, "get");
    EXPECT_EQ(overridden.options.arguments, (std::vector<std::string>{"b", "k", "out.bin"}));
    EXPECT_EQ(*overridden.options.threads, 4u);
    EXPECT_EQ(*overridden.options.sliceSize, 65536u);
    EXPECT_FALSE(overridden.options.fastProfile);
    ParseOutcome fast = ParseCommandLine({"get", "b", "k", "f", "--profile", "fast"}, NoEnv);
    ASSERT_TRUE(fast.ok) << fast.error;
    EXPECT_TRUE(fast.options.fastProfile);
}

TEST(CliOptions, SecretKeyIsReadFromAFile) {
    const std::string path = ::testing::TempDir() + "cli_secret_key.txt";
    std::ofstream(path) << "file-key\r\nsecond line\n";
    ParseOutcome parsed = ParseCommandLine({"--secret-key-file", path, "exists", "b", "k"}, NoEnv);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.secretKey, "file-key");
}

TEST(CliOptions, SignTakesHeadersParamsAndAnExplicitWindow) {
    ParseOutcome parsed = ParseCommandLine(
        {"sign", "--method", "HEAD", "--path", "/a b", "--header", "Host: h.example", "--header",
         "Range:bytes=0-1", "--param", "acl=", "--start", "100", "--end", "3700"},
        NoEnv);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const CliOptions& o = parsed.options;
    EXPECT_EQ(o.method, "HEAD");
    EXPECT_EQ(o.path, "/a b");
    EXPECT_EQ(o.headers.at("Host"), "h.example");
    EXPECT_EQ(o.headers.at("Range"), "bytes=0-1");
    EXPECT_EQ(o.params.at("acl"), "");
    EXPECT_EQ(*o.start, 100u);
    EXPECT_EQ(*o.end, 3700u);
}

TEST(CliOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"fetch", "b", "k"},
        {"head", "b"},
        {"get", "b", "k"},
        {"head", "b", "k", "--threads", "0"},
        {"head", "b", "k", "--threads", "11"},
        {"head", "b", "k", "--slice-size", "100"},
        {"head", "b", "k", "--slice-size", "30000000"},
        {"head", "b", "k", "--app-id", "12x"},
        {"head", "b", "k", "--app-id", "99999999999999999999999"},
        {"head", "b", "k", "--log-level", "5"},
        {"get", "b", "k", "f", "--profile", "turbo"},
        {"get", "b", "k", "f", "--profile"},
        {"head", "b", "k", "--region"},
        {"head", "b", "k", "--colour", "x"},
        {"sign", "--header", "NoColon"},
        {"sign", "--start", "5"},
        {"sign", "--start", "9", "--end", "5"},
        {"exists", "b", "k", "--secret-key-file", "/nonexistent/key"},
    };
    for (const auto& args : bad) {
        ParseOutcome parsed = ParseCommandLine(args, NoEnv);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_FALSE(parsed.ok) << joined;
        EXPECT_FALSE(parsed.error.empty()) << joined;
    }
}

TEST(CliOptions, MalformedAppIdInEnvironmentIsRefused) {
    auto env = [](const char* name) -> std::optional<std::string> {
        if (std::strcmp(name, "OBJSTORE_APP_ID") == 0) return std::string("abc");
        return std::nullopt;
    };
    ParseOutcome parsed = ParseCommandLine({"head", "b", "k"}, env);
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find("OBJSTORE_APP_ID"), std::string::npos);
}

}  // namespace
}  // namespace objstore_cli
