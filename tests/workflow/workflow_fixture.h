// A machine ready for an installation, as the dialog leaves it before the install worker starts:
// the build's strings, the product's folders in a scratch folder, a window that records what the
// workflow posts, the storage settings and client of the sample brand, and the stand-in service
// serving a copy of the sample release.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_server.h"
#include "win_test_support.h"
#include "window_test_support.h"
#include "workflow/install_state.h"

namespace workflowtest {

// A message the workflow posted to the dialog window.
struct Posted {
    UINT message;
    LPARAM value;
    bool operator==(const Posted& other) const {
        return message == other.message && value == other.value;
    }
};

class WorkflowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  public:
    // Replaces the bucket folder's content by a copy of a host folder (SetUp copies the sample
    // release's).
    void UseBucket(const std::string& hostFolder);

    // Starts the stand-in over the bucket folder (with the given faults) and points the client at
    // it. Tests change the bucket folder first if they need to.
    void StartService(const std::vector<std::string>& faults = {});

    // What StartInstall does before the worker starts: a fresh staging folder, the install log,
    // the summary. Returns what ReadSummary returned.
    bool PrepareInstall();
    // Runs the install worker on its own thread while this thread pumps the window's messages,
    // until the worker ended; returns the worker's result.
    DWORD RunWorker();

    // The workflow's messages so far, in the order they arrived.
    std::vector<Posted> PostedMessages() const;
    // The step codes of the WM_INSTALL_STEP messages so far.
    std::vector<LPARAM> Steps() const;
    // The install log's lines without their time stamps (the log is read as it is).
    std::vector<std::string> LogTexts() const;

    // The bucket folder (Windows path) and an object in it ("8.5/base.zip").
    std::string BucketPath() const { return dir / "bucket"; }
    std::string ObjectPath(const std::string& key) const;
    // Every file and folder below a folder, relative, with "\" ("a\", "a\b.txt"), sorted.
    static std::vector<std::string> TreeOf(const std::string& folder);

    wintest::TempFolder dir;
    std::string installDir, stagingDir;
    IClient state;
    wintest::Recorder recorder;
    HWND window = nullptr;
    std::unique_ptr<objstore::test::TestServer> server;
    std::vector<std::string> standinArgs;  // more options for the stand-in (e.g. TLS)
};

// The texts of the install log's lines in logDir (the first log there), without time stamps.
std::vector<std::string> InstallLogTexts(const std::string& logDir);

// Compares what is left of the sample release's product tree after an installation.
std::vector<std::string> SampleInstalledTree();

}  // namespace workflowtest
