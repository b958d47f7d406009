// Message queues: posted messages from several threads, WM_QUIT, and when WM_PAINT comes.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "window_test_support.h"

using namespace wintest;

namespace {

const RECT kPlace{60, 60, 260, 200};

int CountPaints(const Recorder& recorder, HWND window) {
    return int(recorder.Of(WM_PAINT, window).size());
}

// Paints the proper way: BeginPaint validates the window.
bool PaintWithBeginPaint(HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    if (BeginPaint(window, &paint)) EndPaint(window, &paint);
    result = 0;
    return true;
}

}  // namespace

TEST(MessageQueue, PostsFromSeveralThreadsArriveInEachThreadsOrder) {
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    Pump();
    recorder.Clear();
    const int kThreads = 4, kEach = 500;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([=] {
            for (int i = 0; i < kEach; ++i)
                PostMessageW(window, WM_USER + 107, WPARAM(t), LPARAM(i));
        });
    for (auto& sender : senders) sender.join();
    ASSERT_TRUE(PostMessageW(window, WM_QUIT, 0, 0));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    std::map<WPARAM, LPARAM> next;
    int received = 0;
    for (const Recorded& r : recorder.Of(WM_USER + 107)) {
        EXPECT_EQ(r.lParam, next[r.wParam]) << "thread " << r.wParam;
        next[r.wParam] = r.lParam + 1;
        ++received;
    }
    EXPECT_EQ(received, kThreads * kEach);
    DestroyWindow(window);
}

TEST(MessageQueue, QuitEndsGetMessageAfterWhatWasPostedBefore) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // gives the thread its queue
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 1, 0, 0));
    PostQuitMessage(3);
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(MessageQueue, PaintComesWhenTheQueueIsEmptyAndOncePerInvalidation) {
    Recorder recorder;
    recorder.handler = PaintWithBeginPaint;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNA);
    Pump();
    recorder.Clear();
    InvalidateRect(window, nullptr, FALSE);
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostMessageW(window, WM_USER + 2, 0, 0);
    Pump();
    std::vector<UINT> seen = recorder.Messages({WM_USER + 1, WM_USER + 2, WM_PAINT}, window);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
    Pump();
    EXPECT_EQ(CountPaints(recorder, window), 1);  // BeginPaint validated it
    RECT part{0, 0, 10, 10};
    InvalidateRect(window, &part, FALSE);
    InvalidateRect(window, nullptr, FALSE);
    Pump();
    EXPECT_EQ(CountPaints(recorder, window), 2);  // two invalidations before a paint: one paint
    DestroyWindow(window);
}

TEST(MessageQueue, DefaultPaintingValidatesAndUpdateWindowPaintsAtOnce) {
    Recorder recorder;  // leaves WM_PAINT to DefWindowProcW
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNA);
    Pump();
    recorder.Clear();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(CountPaints(recorder, window), 1);  // sent, not posted
    Pump();
    EXPECT_EQ(CountPaints(recorder, window), 1);
    EXPECT_TRUE(UpdateWindow(window));  // nothing to paint: nothing sent
    EXPECT_EQ(CountPaints(recorder, window), 1);
    DestroyWindow(window);
}

TEST(MessageQueue, HiddenWindowsAreNotPainted) {
    Recorder recorder;
    recorder.handler = PaintWithBeginPaint;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    InvalidateRect(window, nullptr, FALSE);
    Pump();
    EXPECT_EQ(CountPaints(recorder, window), 0);
    ShowWindow(window, SW_SHOWNA);
    Pump();
    EXPECT_EQ(CountPaints(recorder, window), 1);
    DestroyWindow(window);
}

TEST(MessageQueue, EachWindowOfAThreadIsPaintedOnce) {
    Recorder recorder;
    recorder.handler = PaintWithBeginPaint;
    HWND parent = CreateRecorded(recorder, WS_POPUP, kPlace);
    HWND child = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, {10, 10, 60, 60}, parent);
    ASSERT_TRUE(parent && child);
    ShowWindow(parent, SW_SHOWNA);
    Pump();
    EXPECT_EQ(CountPaints(recorder, parent), 1);
    EXPECT_EQ(CountPaints(recorder, child), 1);
    DestroyWindow(parent);
}

TEST(MessageQueue, MessagesPostedFromAWorkerReachTheLoopOfTheWindowsThread) {
    Recorder recorder;
    recorder.handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_USER + 107) DestroyWindow(window);
        if (message == WM_DESTROY) PostQuitMessage(0);
        return false;
    };
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    std::thread worker([window] { PostMessageW(window, WM_USER + 107, 1, 2); });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    worker.join();
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(recorder.Of(WM_USER + 107).size(), 1u);
}
