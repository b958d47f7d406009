// The sample release that ships with the project, made for this build: its objects, its
// summary, and a product that runs from the unpacked runtime package until it is told to stop.
#include <gtest/gtest.h>

#include <algorithm>

#include <Poco/File.h>

#include "program_run.h"
#include "release_sources.h"
#include "support/test_dir.h"
#include "win_test_support.h"
#include "zip_listing.h"

namespace release_test {
namespace {

class SampleReleaseTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new objstore::test::TestDir();
        const ProgramResult made =
            RunProgram(MAKE_SAMPLE_RELEASE, {SAMPLE_BUILD_TREE, dir->PathOf("bucket")},
                       {{"OBJSTORE_RELEASE_BUILDER", RELEASE_BUILDER_PATH}});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    static std::string Object(const std::string& key) { return dir->PathOf("bucket/" + key); }

    static objstore::test::TestDir* dir;
};

objstore::test::TestDir* SampleReleaseTest::dir = nullptr;

// Waits up to five seconds for the product's report to name its folder.
std::string WaitForReport(const std::string& folder) {
    for (int i = 0; i < 100; ++i) {
        const std::string report = objstore::test::ReadFile(folder + "/launch-report.txt");
        if (report.find("cwd=") != std::string::npos) return report;
        Sleep(50);
    }
    return std::string();
}

TEST_F(SampleReleaseTest, HoldsEveryPackageForBothCodes) {
    EXPECT_EQ(TreeBelow(dir->PathOf("bucket")),
              (std::vector<std::string>{"8.5/", "8.5/base.zip", "8.5/config.zip", "8.5/depend.zip",
                                        "8.5/fix/", "8.5/fix/fix-8.5.0-sample.zip", "8.5/quant/",
                                        "8.5/quant/quant-8.5.0-sample.zip", "8.5/summary.ini"}));
    const std::string summary = wintest::WindowsPathOfHost(Object("8.5/summary.ini"));
    for (const char* code : {"000001", "000002"}) {
        char name[21] = {};
        GetPrivateProfileStringA("fixstamp", code, "", name, sizeof name, summary.c_str());
        EXPECT_STREQ(name, "fix-8.5.0-sample") << code;
    }
}

TEST_F(SampleReleaseTest, RuntimePackageCarriesThisBuildsPrograms) {
    const std::string zip = Object("8.5/fix/fix-8.5.0-sample.zip");
    EXPECT_EQ(UnzipTest(zip).exitCode, 0);
    EXPECT_EQ(UnzipContent(zip, "OndrelDeskTrade.exe"),
              objstore::test::ReadFile(SAMPLE_PRODUCT_PATH));
    EXPECT_EQ(UnzipContent(zip, "uninstall.exe"),
              objstore::test::ReadFile(SAMPLE_UNINSTALLER_PATH));
}

TEST_F(SampleReleaseTest, ConfigurationHasServerListsOfBothCompanies) {
    std::vector<std::string> names;
    for (const ListedEntry& entry : ZipInfoEntries(Object("8.5/config.zip")))
        names.push_back(entry.name);
    for (const char* list :
         {"config/ServerInfo/", "config/ServerInfo/0001.pub", "config/ServerInfo/0002.pub"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), list), names.end()) << list;
    }
}

TEST_F(SampleReleaseTest, UnpackedProductRunsUntilToldToStop) {
    const std::string folder = dir->PathOf("installed");
    const ProgramResult unpacked =
        RunProgram(UNZIP_PATH, {"-q", Object("8.5/fix/fix-8.5.0-sample.zip"), "-d", folder});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;

    const std::string windowsFolder = wintest::WindowsPathOfHost(folder);
    std::wstring line = L"\"" + wintest::Wide(windowsFolder) + L"\\OndrelDeskTrade.exe\" end";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               wintest::Wide(windowsFolder).c_str(), &startup, &process));
    const std::string report = WaitForReport(folder);
    EXPECT_NE(report.find("arg=end\n"), std::string::npos) << report;
    EXPECT_NE(report.find("cwd=" + windowsFolder + "\n"), std::string::npos) << report;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 200), DWORD(WAIT_TIMEOUT));

    Poco::File(folder + "/stop-product.txt").createFile();
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 5000), DWORD(WAIT_OBJECT_0));
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

TEST_F(SampleReleaseTest, UninstallerRunsAndEnds) {
    const std::string folder = dir->PathOf("uninstaller");
    ASSERT_EQ(RunProgram(UNZIP_PATH, {"-q", Object("8.5/fix/fix-8.5.0-sample.zip"), "uninstall.exe",
                                      "-d", folder})
                  .exitCode,
              0);
    const ProgramResult ran = RunProgram(folder + "/uninstall.exe", {"/S"}, {}, folder);
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(objstore::test::ReadFile(folder + "/uninstall-report.txt"), "uninstall\narg=/S\n");
}

}  // namespace
}  // namespace release_test
