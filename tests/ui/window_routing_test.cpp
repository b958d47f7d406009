// Message routing of TIxFrm: the object is found through the window's extra slot from WM_NCCREATE
// on, messages before it go to DefWindowProcW, the handle lives exactly as long as the window.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/ix_frm.h"
#include "ui/process_control.h"
#include "ui_test_support.h"
#include "window_test_support.h"

namespace {

// Records every message that reaches the object.
class RecordingFrame : public TIxFrm {
  public:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCCREATE) {
            handleAtCreate = m_hWnd;
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            paramAtCreate = create->lpCreateParams;
        }
        messages.push_back(message);
        if (message >= WM_USER) posted.push_back(static_cast<int>(wParam));
        return -1;
    }
    std::vector<UINT> messages;
    std::vector<int> posted;
    HWND handleAtCreate = nullptr;
    void* paramAtCreate = nullptr;
};

size_t IndexOf(const std::vector<UINT>& messages, UINT message) {
    for (size_t i = 0; i < messages.size(); ++i)
        if (messages[i] == message) return i;
    return messages.size();
}

TEST(WindowRouting, CreationStoresTheObjectAndRunsInWindowsOrder) {
    RecordingFrame frame;
    HWND window = frame.Create(L"RoutingTestFrame", nullptr, WS_POPUP, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(frame.Handle(), window);
    EXPECT_EQ(frame.handleAtCreate, window);
    EXPECT_EQ(frame.paramAtCreate, &frame);
    EXPECT_EQ(reinterpret_cast<TIxFrm*>(GetWindowLongPtrW(window, 0)), &frame);
    ASSERT_FALSE(frame.messages.empty());
    EXPECT_EQ(frame.messages.front(), UINT(WM_NCCREATE)) << "nothing reaches the object before";
    EXPECT_LT(IndexOf(frame.messages, WM_NCCREATE), IndexOf(frame.messages, WM_CREATE));
    EXPECT_LT(IndexOf(frame.messages, WM_CREATE), frame.messages.size());

    // A second object of the same class: the repeated registration does no harm.
    RecordingFrame second;
    ASSERT_NE(second.Create(L"RoutingTestFrame", nullptr, WS_POPUP, 0), nullptr);

    frame.messages.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(frame.Handle(), nullptr);
    EXPECT_LT(IndexOf(frame.messages, WM_DESTROY), frame.messages.size());
    DestroyWindow(second.Handle());
}

// A procedure in front of the shared one, to see what arrives before WM_NCCREATE.
std::vector<UINT>* g_early = nullptr;
bool g_seenCreate = false;
LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) g_seenCreate = true;
    if (!g_seenCreate && g_early) g_early->push_back(message);
    return TIxFrm::SharedWindowProc(window, message, wParam, lParam);
}

TEST(WindowRouting, MessagesBeforeCreationGoToTheDefaultProcedure) {
    std::vector<UINT> early;
    g_early = &early;
    g_seenCreate = false;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WatchingProc;
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RoutingEarlyFrame";
    RegisterClassExW(&windowClass);
    RecordingFrame frame;
    // An overlapped window (style 0) is asked for its size limits before WM_NCCREATE.
    HWND window = CreateWindowExW(0, L"RoutingEarlyFrame", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), &frame);
    g_early = nullptr;
    ASSERT_NE(window, nullptr) << "the default answers let creation go on";
    ASSERT_FALSE(early.empty()) << "WM_GETMINMAXINFO comes first";
    EXPECT_EQ(early.front(), UINT(WM_GETMINMAXINFO));
    EXPECT_EQ(frame.messages.front(), UINT(WM_NCCREATE));
    DestroyWindow(window);
}

TEST(WindowRouting, PostedMessagesFromSeveralThreadsKeepEachThreadsOrder) {
    RecordingFrame frame;
    HWND window = frame.Create(L"RoutingTestFrame", nullptr, WS_POPUP, 0);
    ASSERT_NE(window, nullptr);
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([window, t] {
            for (int i = 0; i < kEach; ++i) PostMessageW(window, WM_USER + 1, t * kEach + i, 0);
        });
    }
    for (std::thread& sender : senders) sender.join();
    wintest::Pump();
    ASSERT_EQ(frame.posted.size(), size_t(kThreads * kEach));
    std::vector<int> last(kThreads, -1);
    for (int value : frame.posted) {
        int thread = value / kEach;
        EXPECT_GT(value % kEach, last[thread]) << "thread " << thread;
        last[thread] = value % kEach;
    }
    DestroyWindow(window);
}

TEST(WindowRouting, PaintComesOnlyWhenTheQueueIsEmpty) {
    RecordingFrame frame;
    HWND window = frame.Create(L"RoutingTestFrame", nullptr, WS_POPUP, 0);
    ASSERT_NE(window, nullptr);
    MoveWindow(window, 40, 40, 120, 80, FALSE);
    ShowWindow(window, SW_SHOWNA);
    wintest::Pump();
    frame.messages.clear();
    InvalidateRect(window, nullptr, FALSE);
    PostMessageW(window, WM_USER + 2, 0, 0);
    PostMessageW(window, WM_USER + 3, 0, 0);
    wintest::Pump();
    size_t paint = IndexOf(frame.messages, WM_PAINT);
    ASSERT_LT(paint, frame.messages.size());
    EXPECT_LT(IndexOf(frame.messages, WM_USER + 3), paint);
    size_t paints = 0;
    for (UINT message : frame.messages) paints += message == WM_PAINT;
    EXPECT_EQ(paints, 1u) << "the default procedure validates the window";
    DestroyWindow(window);
}

TEST(WindowRouting, ChildGoesWithItsParent) {
    RecordingFrame parent;
    ASSERT_NE(parent.Create(L"RoutingTestFrame", nullptr, WS_POPUP, 0), nullptr);
    TProcess progress(CreatePen(PS_SOLID, 1, RGB(71, 156, 220)),
                      CreateSolidBrush(RGB(71, 156, 220)));
    HWND child = progress.Create(L"TProcess", parent.Handle(), WS_CHILD | WS_VISIBLE, 0);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent.Handle());
    DestroyWindow(parent.Handle());
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(progress.Handle(), nullptr);
}

}  // namespace
