// A built release served by the stand-in storage service and fetched by the
// storage client, the way the installer reaches it.
#include <gtest/gtest.h>

#include "release_sources.h"
#include "support/test_server.h"
#include "zip_listing.h"

namespace release_test {
namespace {

TEST(ReleaseServingTest, ClientFetchesSummaryAndRuntimePackageFromTheStandin) {
    ReleaseSources sources;
    const ProgramResult built = RunBuilder(sources.FullArgs());
    ASSERT_EQ(built.exitCode, 0) << built.err;

    objstore::test::StandinSettings settings;
    settings.root = sources.Dir().UnixPathOf("bucket");
    std::unique_ptr<objstore::test::TestServer> server =
        objstore::test::TestServer::Standin(settings);
    const std::map<std::string, std::string> env = {
        {"OBJSTORE_APP_ID", std::to_string(settings.appId)},
        {"OBJSTORE_SECRET_ID", settings.secretId},
        {"OBJSTORE_SECRET_KEY", settings.secretKey},
        {"OBJSTORE_REGION", settings.region},
        {"OBJSTORE_ENDPOINT", std::string(server->Host()) + ":" + std::to_string(server->Port())},
    };

    for (const std::string key : {"8.5/summary.ini", "8.5/fix/fix-8.5.0-test.zip"}) {
        SCOPED_TRACE(key);
        const std::string local = sources.PathOf("fetched-" + key.substr(key.rfind('/') + 1));
        const ProgramResult fetched =
            RunProgram(OBJSTORE_CLI_PATH, {"--quiet", "get", settings.bucket, key, local}, env);
        ASSERT_EQ(fetched.exitCode, 0) << fetched.err;
        const std::string copy = objstore::test::ReadFile(local);
        EXPECT_FALSE(copy.empty());
        EXPECT_EQ(copy, objstore::test::ReadFile(sources.PathOf("bucket/" + key)));
    }
    EXPECT_EQ(UnzipTest(sources.PathOf("fetched-fix-8.5.0-test.zip")).exitCode, 0);
    EXPECT_EQ(server->Stop(), 0);
}

}  // namespace
}  // namespace release_test
