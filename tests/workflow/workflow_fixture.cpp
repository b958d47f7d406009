#include "workflow_fixture.h"

#include <algorithm>
#include <sstream>

#include "extract_test_support.h"
#include "system/install_log.h"
#include "system/product_identity.h"
#include "system/product_settings.h"
#include "util/cos_global_settings.h"
#include "workflow/install_worker.h"
#include "workflow/storage_brand.h"
#include "workflow/storage_settings.h"
#include "workflow/version_files.h"
#include "workflow_test_strings.h"

#ifndef _WIN32
#include "platform/posix/string_resources.h"
#endif

namespace workflowtest {

namespace {

constexpr int kWorkerTimeoutMs = 120000;

void UseWorkflowStrings() {
#ifndef _WIN32
    RegisterStringResource(103, WORKFLOW_PACKAGE_CODE);
    RegisterStringResource(104, WORKFLOW_BRAND_SIMPLIFIED);
    RegisterStringResource(105, WORKFLOW_BRAND_TRADITIONAL);
    RegisterStringResource(106, WORKFLOW_BRAND_LATIN);
    RegisterStringResource(107, WORKFLOW_ENDPOINT);
    RegisterStringResource(108, WORKFLOW_COMPANY);
#endif
}

bool IsWorkflowMessage(UINT message) {
    return message == WM_INSTALL_PROGRESS || message == WM_INSTALL_DONE ||
           message == WM_INSTALL_FAILED || message == WM_INSTALL_STEP;
}

}  // namespace

void WorkflowTest::SetUp() {
    UseWorkflowStrings();
    ProductSettings& settings = ProductSettings::Instance();
    settings = ProductSettings();
    // English: the brand name is Latin text, which every ANSI code page holds (Wine's included).
    LoadProductIdentityFor(1033);
    settings.productFolderName = "Tallowind000001v8.5";
    installDir = dir / settings.productFolderName;
    stagingDir = installDir + "temp";
    settings.installDir = installDir;
    settings.stagingDir = stagingDir;
    settings.logDir = dir / "logs";
    settings.dependBaseDir = dir / "TallowindDependBaseV8.5";

    window = wintest::CreateRecorded(recorder, WS_POPUP, RECT{0, 0, 200, 100});
    ASSERT_NE(window, nullptr);
    DialogWindowHandle = window;

    LoadStorageSettings(state);
    CreateStorageClient(state);
    objstore::CosGlobalSettings::Instance().SetLogLevel(0);
    objstore::CosGlobalSettings::Instance().SetRetryPauseMs(50);

    UseBucket(SAMPLE_BUCKET_DIR);
}

void WorkflowTest::UseBucket(const std::string& hostFolder) {
    const std::string bucket = wintest::HostPathOf(wintest::Wide(BucketPath()));
    std::string out;
    ASSERT_TRUE(wintest::RunHostShell("rm -rf '" + bucket + "' && mkdir -p '" + bucket +
                                          "' && cp -R '" + hostFolder + "/.' '" + bucket + "'",
                                      out, dir))
        << out << " (the sample releases are made by the target sample_release)";
}

void WorkflowTest::TearDown() {
    server.reset();
    CloseInstallLog();
    DestroyStorageClient(state);
    DialogWindowHandle = nullptr;
    if (window) DestroyWindow(window);
    wintest::Pump();
    objstore::CosGlobalSettings::Instance().ResetToDefaults();
    ProductSettings::Instance() = ProductSettings();
}

void WorkflowTest::StartService(const std::vector<std::string>& faults) {
    objstore::test::StandinSettings settings;
    settings.root = wintest::HostPathOf(wintest::Wide(BucketPath()));
    settings.bucket = state.bucket;
    settings.appId = BuildStorageBrand().accountNumber;
    settings.region = state.region;
    settings.secretId = state.secretId;
    settings.secretKey = state.secretKey;
    settings.faults = faults;
    settings.extraArgs = standinArgs;
    server = objstore::test::TestServer::Standin(settings);
    ASSERT_NE(server, nullptr);
    objstore::CosGlobalSettings& global = objstore::CosGlobalSettings::Instance();
    global.SetForcedHost("127.0.0.1:" + std::to_string(server->Port()));
    global.SetUseForcedHost(true);
}

bool WorkflowTest::PrepareInstall() {
    wintest::RemoveTree(stagingDir);
    CreateDirectoryA(stagingDir.c_str(), nullptr);
    OpenInstallLog();
    return ReadSummary(state);
}

namespace {
struct WorkerRun {
    IClient* state;
    unsigned result;
};
unsigned WINAPI RunAndKeepResult(void* argument) {
    WorkerRun* run = static_cast<WorkerRun*>(argument);
    run->result = InstallWorker(run->state);
    return run->result;
}
}  // namespace

DWORD WorkflowTest::RunWorker() {
    // Started as the dialog starts it; the result is kept by the thread itself.
    WorkerRun run{&state, unsigned(-1)};
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunAndKeepResult, &run, 0, nullptr));
    if (!thread) return DWORD(-1);
    bool ended = wintest::PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; },
                                    kWorkerTimeoutMs);
    if (!ended) WaitForSingleObject(thread, INFINITE);  // `run` must outlive the thread
    CloseHandle(thread);
    wintest::Pump();  // what the worker posted last
    return ended ? run.result : DWORD(-1);
}

std::vector<Posted> WorkflowTest::PostedMessages() const {
    std::vector<Posted> posted;
    for (const wintest::Recorded& r : recorder.log) {
        if (r.window == window && IsWorkflowMessage(r.message)) {
            EXPECT_EQ(r.wParam, 0u) << "message " << r.message;
            posted.push_back({r.message, r.lParam});
        }
    }
    return posted;
}

std::vector<LPARAM> WorkflowTest::Steps() const {
    std::vector<LPARAM> steps;
    for (const Posted& p : PostedMessages()) {
        if (p.message == WM_INSTALL_STEP) steps.push_back(p.value);
    }
    return steps;
}

std::vector<std::string> WorkflowTest::LogTexts() const {
    return InstallLogTexts(dir / "logs");
}

std::string WorkflowTest::ObjectPath(const std::string& key) const {
    std::string path = BucketPath() + "\\" + key;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::vector<std::string> WorkflowTest::TreeOf(const std::string& folder) {
    return ::TreeOf(folder);
}

std::vector<std::string> InstallLogTexts(const std::string& logDir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((logDir + "\\*install.log").c_str(), &data);
    std::vector<std::string> texts;
    if (find == INVALID_HANDLE_VALUE) return texts;
    FindClose(find);
    std::string bytes = wintest::ReadBytes(logDir + "\\" + data.cFileName);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) return texts;
    std::istringstream lines(bytes.substr(3));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t tabs = line.find("\t\t");
        texts.push_back(tabs == std::string::npos ? line : line.substr(tabs + 2));
    }
    return texts;
}

std::vector<std::string> SampleInstalledTree() {
    return {
        "OndrelDeskTrade.exe",
        "config\\",
        "config\\LoginFrm.Server.pub",
        "config\\LoginFrm.ini",
        "config\\tallowind.Default.pri",
        "config\\tallowind.Default.pub",
        "data\\",
        "data\\instruments.csv",
        "data\\layout.ini",
        "docs\\",
        "docs\\readme.txt",
        "lib\\",
        "lib\\sample-service.dat",
        "services\\",
        "services\\services.ini",
        "uninstall.exe",
        "update.ini",
    };
}

}  // namespace workflowtest
