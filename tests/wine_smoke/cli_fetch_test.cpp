// objstore-cli of this build fetches an object from the stand-in service; in
// the Windows build the Windows program runs under Wine against the native
// service. The copy must be byte-identical.
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <Poco/File.h>
#include <Poco/Pipe.h>
#include <Poco/PipeStream.h>
#include <Poco/Process.h>
#include <Poco/StreamCopier.h>
#include <gtest/gtest.h>

#include "support/test_dir.h"
#include "support/test_server.h"

namespace objstore {
namespace {

#ifdef OBJSTORE_CLI_BINARY
// The build records Unix paths; a Windows program names them on drive Z:.
std::string ProgramPath(std::string path) {
#ifdef _WIN32
    path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
#endif
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct CliRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

CliRun RunCli(const std::vector<std::string>& args, const Poco::Process::Env& env) {
    Poco::Pipe output;
    Poco::ProcessHandle process = Poco::Process::launch(ProgramPath(OBJSTORE_CLI_BINARY), args,
                                                        nullptr, &output, &output, env);
    Poco::PipeInputStream in(output);
    std::ostringstream text;
    Poco::StreamCopier::copyStream(in, text);
    CliRun run;
    run.exitCode = process.wait();
    run.output = text.str();
    return run;
}

TEST(CliFetch, GetWritesAByteIdenticalCopyOfTheObject) {
    test::TestDir dir;
    std::mt19937 random(5);
    std::string object(3 * 1024 * 1024 + 4321, '\0');
    for (char& c : object) c = static_cast<char>(random());
    dir.WriteFile("bucket/8.5/base.zip", object);

    test::StandinSettings settings;
    settings.root = dir.UnixPathOf("bucket");
    auto server = test::TestServer::Standin(settings);

    const Poco::Process::Env env = {
        {"OBJSTORE_APP_ID", std::to_string(settings.appId)},
        {"OBJSTORE_SECRET_ID", settings.secretId},
        {"OBJSTORE_SECRET_KEY", settings.secretKey},
        {"OBJSTORE_REGION", settings.region},
        {"OBJSTORE_ENDPOINT", std::string(server->Host()) + ":" + std::to_string(server->Port())}};
    const std::string copy = dir.PathOf("base.zip");
    const CliRun run = RunCli(
        {"--threads", "4", "--slice-size", "65536", "get", settings.bucket, "8.5/base.zip", copy},
        env);

    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string fetched = ReadFile(copy);
    EXPECT_EQ(fetched.size(), object.size());
    EXPECT_TRUE(fetched == object) << "the copy differs from the object";

    // The same client refuses an object the bucket does not hold.
    const CliRun missing =
        RunCli({"get", settings.bucket, "8.5/none.zip", dir.PathOf("none.zip")}, env);
    EXPECT_EQ(missing.exitCode, 1) << missing.output;
}

// A download that fails leaves FILE as it was and no partial copy beside it,
// and says what failed in terms a person can act on.
TEST(CliFetch, AFailedGetLeavesTheFileAloneAndSaysWhy) {
    test::TestDir dir;
    dir.WriteFile("bucket/8.5/base.zip", std::string(200000, 'b'));
    test::StandinSettings settings;
    settings.root = dir.UnixPathOf("bucket");
    settings.faults = {"status:503,method=GET"};
    auto server = test::TestServer::Standin(settings);
    const Poco::Process::Env env = {
        {"OBJSTORE_APP_ID", std::to_string(settings.appId)},
        {"OBJSTORE_SECRET_ID", settings.secretId},
        {"OBJSTORE_SECRET_KEY", settings.secretKey},
        {"OBJSTORE_REGION", settings.region},
        {"OBJSTORE_ENDPOINT", std::string(server->Host()) + ":" + std::to_string(server->Port())}};
    const std::string copy = dir.WriteFile("base.zip", "the previous copy");

    const CliRun run = RunCli(
        {"--threads", "2", "--slice-size", "65536", "get", settings.bucket, "8.5/base.zip", copy},
        env);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(ReadFile(copy), "the previous copy");
    Poco::File folder(dir.PathOf(""));
    std::vector<std::string> names;
    folder.list(names);
    for (const std::string& name : names) {
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    }
    EXPECT_NE(run.output.find("failed: get " + settings.bucket + "/8.5/base.zip: "),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("slice at offset 0 (65536 bytes), 4 attempts"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("last answer HTTP 503"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("''"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("\n\n"), std::string::npos) << run.output;
}
#endif

}  // namespace
}  // namespace objstore
