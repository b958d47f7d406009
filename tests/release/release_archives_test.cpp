// The packages as Info-ZIP's unzip and zipinfo read them: intact, every file and
// folder in order, folders marked as such, modification times and contents kept.
#include <gtest/gtest.h>

#include <filesystem>

#include "release_sources.h"
#include "zip_listing.h"

namespace release_test {
namespace {

struct Package {
    const char* folder;     // source folder below the test folder
    const char* objectKey;  // where the builder puts it
};

const Package kPackages[] = {
    {"product", "8.5/fix/fix-8.5.0-test.zip"},
    {"base", "8.5/base.zip"},
    {"config", "8.5/config.zip"},
    {"depend", "8.5/depend.zip"},
    {"quant", "8.5/quant/quant-8.5.0-t.zip"},
};

class ReleaseArchivesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        sources = new ReleaseSources();
        // One program with an execute bit, the other without.
        std::filesystem::permissions(sources->PathOf("product/OndrelDeskTrade.exe"),
                                     std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        const ProgramResult result = RunBuilder(sources->FullArgs());
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    static void TearDownTestSuite() {
        delete sources;
        sources = nullptr;
    }

    static std::string ZipOf(const Package& package) {
        return sources->PathOf(std::string("bucket/") + package.objectKey);
    }

    static ReleaseSources* sources;
};

ReleaseSources* ReleaseArchivesTest::sources = nullptr;

TEST_F(ReleaseArchivesTest, UnzipFindsNoErrors) {
    for (const Package& package : kPackages) {
        const TestOutcome outcome = UnzipTest(ZipOf(package));
        EXPECT_EQ(outcome.exitCode, 0) << package.objectKey << "\n" << outcome.output;
        EXPECT_NE(outcome.output.find("No errors detected"), std::string::npos) << outcome.output;
    }
}

TEST_F(ReleaseArchivesTest, EntriesAreTheSourceTreeInOrderWithTimesAndSizes) {
    for (const Package& package : kPackages) {
        SCOPED_TRACE(package.objectKey);
        const std::vector<SourceEntry> expected = sources->PackageEntries(package.folder);
        const std::vector<ListedEntry> listed = ZipInfoEntries(ZipOf(package));
        ASSERT_EQ(listed.size(), expected.size());
        for (size_t i = 0; i < listed.size(); ++i) {
            SCOPED_TRACE(expected[i].path);
            EXPECT_EQ(listed[i].name, expected[i].archiveName);
            EXPECT_EQ(listed[i].time, expected[i].zipTime);
            EXPECT_EQ(listed[i].permissions[0], expected[i].IsFolder() ? 'd' : '-');
            EXPECT_EQ(listed[i].size, std::to_string(expected[i].content.size()));
            if (expected[i].IsFolder())
                EXPECT_EQ(listed[i].method, "stor");
            else
                EXPECT_EQ(listed[i].method.substr(0, 3), "def");
        }
    }
}

TEST_F(ReleaseArchivesTest, FoldersCarryTheDosFolderAttribute) {
    for (const Package& package : kPackages) {
        SCOPED_TRACE(package.objectKey);
        const std::map<std::string, std::string> attributes = ZipInfoDosAttributes(ZipOf(package));
        for (const SourceEntry& entry : sources->PackageEntries(package.folder)) {
            ASSERT_EQ(attributes.count(entry.archiveName), 1u) << entry.archiveName;
            EXPECT_EQ(attributes.at(entry.archiveName), entry.IsFolder() ? "10" : "00")
                << entry.archiveName;
        }
    }
}

TEST_F(ReleaseArchivesTest, FilesHoldTheirSourceBytes) {
    for (const Package& package : kPackages) {
        for (const SourceEntry& entry : sources->PackageEntries(package.folder)) {
            if (entry.IsFolder()) continue;
            EXPECT_EQ(UnzipContent(ZipOf(package), entry.archiveName), entry.content)
                << package.objectKey << " " << entry.path;
        }
    }
}

TEST_F(ReleaseArchivesTest, UnixModesFollowTheExecuteBit) {
    std::map<std::string, std::string> modes;
    for (const ListedEntry& entry : ZipInfoEntries(ZipOf(kPackages[0])))
        modes[entry.name] = entry.permissions;
    EXPECT_EQ(modes["OndrelDeskTrade.exe"], "-rwxr-xr-x");
    EXPECT_EQ(modes["uninstall.exe"], "-rw-r--r--");
    EXPECT_EQ(modes["data/"], "drwxr-xr-x");
}

}  // namespace
}  // namespace release_test
