// The install state record and the workflow's window messages.
#include "workflow/install_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <type_traits>
#include <vector>

#include "win_test_support.h"

TEST(InstallMessages, NumbersAboveWmUser) {
    EXPECT_EQ(WM_INSTALL_PROGRESS, 1131u);
    EXPECT_EQ(WM_INSTALL_DONE, 1132u);
    EXPECT_EQ(WM_INSTALL_FAILED, 1135u);
    EXPECT_EQ(WM_INSTALL_STEP, 1138u);
    EXPECT_EQ(WM_USER, 1024u);
}

TEST(InstallState, AFreshRecordIsEmptyButForTheKeyPrefix) {
    IClient state;
    EXPECT_EQ(state.keyPrefix, "8.5");
    EXPECT_EQ(state.secretId, "");
    EXPECT_EQ(state.secretKey, "");
    EXPECT_EQ(state.region, "");
    EXPECT_EQ(state.bucket, "");
    EXPECT_EQ(state.client, nullptr);
    EXPECT_EQ(state.cfgStamp, 0);
    EXPECT_EQ(sizeof state.fixName, 21u);
    EXPECT_EQ(sizeof state.quantName, 21u);
    for (char c : state.fixName) EXPECT_EQ(c, '\0');
    for (char c : state.quantName) EXPECT_EQ(c, '\0');
    EXPECT_FALSE(state.downloadDepend);
    EXPECT_EQ(state.plannedDownloads, 0);
    EXPECT_EQ(state.finishedDownloads, 0);
    EXPECT_EQ(state.progress.load(), 0);
    EXPECT_FALSE(state.downloadQuant);
}

TEST(InstallState, ProgressIsOneIndivisibleThirtyTwoBitValue) {
    static_assert(std::is_same<decltype(IClient::progress)::value_type, int32_t>::value, "");
    static_assert(std::atomic<int32_t>::is_always_lock_free, "");
    static_assert(!std::is_polymorphic<IClient>::value, "IClient has no virtual operations");
    static_assert(std::is_same<decltype(IClient::cfgStamp), int64_t>::value, "");
    IClient state;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&state, t] {
            for (int i = 0; i < 1000; ++i) state.progress.store(t * 16 + i % 16);
        });
    for (auto& w : writers) w.join();
    EXPECT_GE(state.progress.load(), 0);
    EXPECT_LT(state.progress.load(), 64);
}

namespace {

// A window of this thread standing in for the dialog, whose handle the workflow posts to.
class DialogStandIn : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"InstallStateTestDialog";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, L"InstallStateTestDialog", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        DialogWindowHandle = window;
    }
    void TearDown() override {
        DialogWindowHandle = nullptr;
        if (window) DestroyWindow(window);
    }
    // The workflow's messages waiting for the window, in order.
    std::vector<MSG> Received() {
        std::vector<MSG> out;
        MSG msg;
        while (PeekMessageW(&msg, window, WM_INSTALL_PROGRESS, WM_INSTALL_STEP, PM_REMOVE))
            out.push_back(msg);
        return out;
    }
    HWND window = nullptr;
};

}  // namespace

TEST_F(DialogStandIn, HelpersPostWithWParamZero) {
    EXPECT_TRUE(PostInstallStep(3));
    EXPECT_TRUE(PostInstallProgress(42));
    EXPECT_TRUE(PostInstallFailed(3));
    EXPECT_TRUE(PostInstallDone());
    std::vector<MSG> got = Received();
    ASSERT_EQ(got.size(), 4u);
    struct {
        UINT message;
        LPARAM lParam;
    } expected[] = {{WM_INSTALL_STEP, 3},
                    {WM_INSTALL_PROGRESS, 42},
                    {WM_INSTALL_FAILED, 3},
                    {WM_INSTALL_DONE, 0}};
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].hwnd, window) << i;
        EXPECT_EQ(got[i].message, expected[i].message) << i;
        EXPECT_EQ(got[i].wParam, WPARAM(0)) << i;
        EXPECT_EQ(got[i].lParam, expected[i].lParam) << i;
    }
}

// The worker posts from its own thread and never waits for the dialog's.
TEST_F(DialogStandIn, OtherThreadsPostWithoutWaiting) {
    std::thread worker([] {
        PostInstallStep(2);
        for (int p = 0; p <= 100; p += 20) PostInstallProgress(p);
        PostInstallDone();
    });
    worker.join();  // returns although nobody has read anything yet
    std::vector<MSG> got = Received();
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0].message, WM_INSTALL_STEP);
    EXPECT_EQ(got[0].lParam, 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(got[size_t(1 + i)].message, WM_INSTALL_PROGRESS);
        EXPECT_EQ(got[size_t(1 + i)].lParam, LPARAM(i * 20));
    }
    EXPECT_EQ(got[7].message, WM_INSTALL_DONE);
    for (const MSG& m : got) EXPECT_EQ(m.wParam, WPARAM(0));
}

TEST(InstallMessages, WithoutADialogNothingIsPosted) {
    ASSERT_EQ(DialogWindowHandle, nullptr);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread has a queue
    EXPECT_FALSE(PostInstallStep(1));
    EXPECT_FALSE(PostInstallDone());
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_STEP, PM_REMOVE));
}
