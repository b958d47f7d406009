// Writing that fails part-way (a source file gone between the check and the
// write) leaves the output as it was and nothing beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "release_plan.h"
#include "release_sources.h"
#include "release_writer.h"
#include "support/test_dir.h"

namespace release_builder {
namespace {

namespace fs = std::filesystem;

class ReleaseWriterTest : public ::testing::Test {
  protected:
    ReleaseWriterTest() {
        dir.WriteFile("good.txt", "good");
        plan.outputFolder = dir.PathOf("bucket");
        plan.summaryText = "[cfgstamp]\r\ntime=1\r\n";
        plan.packages = {
            {"8.5/base.zip", {{"good.txt", dir.PathOf("good.txt"), false, 0}}},
            {"8.5/fix/broken.zip",
             {{"gone.txt", dir.PathOf("gone.txt"), false, 0}}},  // never written
        };
    }

    objstore::test::TestDir dir;
    ReleasePlan plan;
};

TEST_F(ReleaseWriterTest, MissingSourceFailsWithItsNameAndLeavesNoOutput) {
    std::string error;
    EXPECT_FALSE(WriteRelease(plan, &error));
    EXPECT_NE(error.find(dir.PathOf("gone.txt")), std::string::npos) << error;
    EXPECT_EQ(release_test::NamesIn(dir.Path()), std::vector<std::string>{"good.txt"});
}

TEST_F(ReleaseWriterTest, FailureKeepsTheOldContentOfAForcedOutput) {
    dir.WriteFile("bucket/8.5/summary.ini", "old");
    plan.force = true;
    std::string error;
    EXPECT_FALSE(WriteRelease(plan, &error));
    EXPECT_EQ(objstore::test::ReadFile(dir.PathOf("bucket/8.5/summary.ini")), "old");
    EXPECT_EQ(release_test::NamesIn(dir.Path()), (std::vector<std::string>{"bucket", "good.txt"}));
}

TEST_F(ReleaseWriterTest, TheSamePlanWithItsFileInPlaceIsWritten) {
    dir.WriteFile("gone.txt", "back");
    std::string error;
    EXPECT_TRUE(WriteRelease(plan, &error)) << error;
    EXPECT_TRUE(fs::exists(dir.PathOf("bucket/8.5/fix/broken.zip")));
}

}  // namespace
}  // namespace release_builder
