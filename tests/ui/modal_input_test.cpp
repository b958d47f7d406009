// Mouse handling of TModalWnd: hover of the close box, the drag request, closing on release.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ui/drawing_resources.h"
#include "ui/modal_wnd.h"
#include "ui_test_support.h"
#include "window_test_support.h"

namespace {

constexpr int kLeft = 100, kTop = 100, kWidth = 500, kHeight = 310;

class TestModal : public TModalWnd {
  public:
    void OnInit() override {}
    void Place() override { MoveWindow(m_hWnd, kLeft, kTop, kWidth, kHeight, TRUE); }
};

LPARAM ClientPoint(int x, int y) {
    return LPARAM((y << 16) | (x & 0xFFFF));
}

class ModalInput : public ::testing::Test {
  protected:
    void SetUp() override {
        wintest::MoveCursor(kLeft + 200, kTop + 200);
        window_ = modal_.Create(L"TModalWnd", nullptr, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST);
        ASSERT_NE(window_, nullptr);
        modal_.SetRunning(true);
        ShowWindow(window_, SW_SHOWNA);
        modal_.Place();
        wintest::Pump();  // the first paint sets the close box's hit area
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        wintest::Pump();
    }
    // Takes a pending drag request off the queue, if there is one.
    bool TakeDragRequest(MSG& request) {
        return PeekMessageW(&request, window_, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE);
    }
    TestModal modal_;
    HWND window_ = nullptr;
};

TEST_F(ModalInput, PressOnTheCloseBoxDoesNotDragAndClosesOnRelease) {
    RECT closeRect = modal_.CloseRect();
    ASSERT_EQ(closeRect.left, 479);
    wintest::MoveCursor(kLeft + 485, kTop + 15);
    EXPECT_TRUE(wintest::PumpUntil([&] { return modal_.CloseHover(); }));

    SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(485, 15));
    MSG request;
    EXPECT_FALSE(TakeDragRequest(request));
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(modal_.Running());

    SendMessageW(window_, WM_LBUTTONUP, 0, ClientPoint(485, 15));
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_FALSE(modal_.Running());
}

TEST_F(ModalInput, PlainPressElsewhereAsksForACaptionDrag) {
    wintest::MoveCursor(kLeft + 250, kTop + 150);
    wintest::Pump();
    SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(250, 150));
    MSG request;
    ASSERT_TRUE(TakeDragRequest(request));
    EXPECT_EQ(request.wParam, WPARAM(HTCAPTION));
    EXPECT_EQ(request.lParam, ClientPoint(250, 150)) << "the press's own lParam";
    SendMessageW(window_, WM_LBUTTONUP, 0, ClientPoint(250, 150));
    EXPECT_TRUE(IsWindow(window_)) << "a release away from the close box does nothing";
}

// The whole way: a person's press reaches the window, the window asks for the caption drag and the
// system moves it with the mouse until the button goes up.
TEST_F(ModalInput, APressAwayFromTheCloseBoxDragsTheWindowWithTheMouse) {
    wintest::MoveCursor(kLeft + 250, kTop + 150);
    wintest::Pump();
    std::thread hand([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        wintest::PressLeftButton();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        wintest::MoveCursor(kLeft + 265, kTop + 170);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        wintest::MoveCursor(kLeft + 280, kTop + 190);  // +30, +40 in all
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        wintest::ReleaseLeftButton();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        wintest::MoveCursor(kLeft + 400, kTop + 250);  // after the release the window stays
    });
    wintest::PumpUntil([] { return false; }, 700);
    hand.join();
    wintest::Pump();
    RECT rect{};
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.left, kLeft + 30);
    EXPECT_EQ(rect.top, kTop + 40);
    EXPECT_EQ(rect.right - rect.left, kWidth);
    EXPECT_TRUE(modal_.Running());
}

TEST_F(ModalInput, PressWithAModifierKeyDoesNotDrag) {
    wintest::MoveCursor(kLeft + 250, kTop + 150);
    wintest::Pump();
    for (WPARAM keys : {WPARAM(MK_LBUTTON | MK_CONTROL), WPARAM(MK_LBUTTON | MK_SHIFT)}) {
        SendMessageW(window_, WM_LBUTTONDOWN, keys, ClientPoint(250, 150));
        MSG request;
        EXPECT_FALSE(TakeDragRequest(request)) << "keys " << keys;
    }
}

TEST_F(ModalInput, LeavingTheWindowClearsTheHover) {
    wintest::MoveCursor(kLeft + 485, kTop + 15);
    ASSERT_TRUE(wintest::PumpUntil([&] { return modal_.CloseHover(); }));
    wintest::MoveCursor(kLeft + kWidth + 50, kTop + 15);  // off the window
    EXPECT_TRUE(wintest::PumpUntil([&] { return !modal_.CloseHover(); }));
}

}  // namespace
