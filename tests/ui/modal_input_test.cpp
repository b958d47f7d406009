// Mouse handling of TModalWnd: hover of the close box, the drag request, closing on release.
#include <gtest/gtest.h>

#include "ui/drawing_resources.h"
#include "ui/modal_wnd.h"
#include "ui_test_support.h"

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
        uitest::MoveCursor(kLeft + 200, kTop + 200);
        window_ = modal_.Create(L"TModalWnd", nullptr, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST);
        ASSERT_NE(window_, nullptr);
        modal_.SetRunning(true);
        ShowWindow(window_, SW_SHOWNA);
        modal_.Place();
        uitest::PumpMessages();  // the first paint sets the close box's hit area
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        uitest::PumpMessages();
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
    uitest::MoveCursor(kLeft + 485, kTop + 15);
    EXPECT_TRUE(uitest::PumpUntil([&] { return modal_.CloseHover(); }));

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
    uitest::MoveCursor(kLeft + 250, kTop + 150);
    uitest::PumpMessages();
    SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(250, 150));
    MSG request;
    ASSERT_TRUE(TakeDragRequest(request));
    EXPECT_EQ(request.wParam, WPARAM(HTCAPTION));
    EXPECT_EQ(request.lParam, ClientPoint(250, 150)) << "the press's own lParam";
    SendMessageW(window_, WM_LBUTTONUP, 0, ClientPoint(250, 150));
    EXPECT_TRUE(IsWindow(window_)) << "a release away from the close box does nothing";
}

TEST_F(ModalInput, PressWithAModifierKeyDoesNotDrag) {
    uitest::MoveCursor(kLeft + 250, kTop + 150);
    uitest::PumpMessages();
    for (WPARAM keys : {WPARAM(MK_LBUTTON | MK_CONTROL), WPARAM(MK_LBUTTON | MK_SHIFT)}) {
        SendMessageW(window_, WM_LBUTTONDOWN, keys, ClientPoint(250, 150));
        MSG request;
        EXPECT_FALSE(TakeDragRequest(request)) << "keys " << keys;
    }
}

TEST_F(ModalInput, LeavingTheWindowClearsTheHover) {
    uitest::MoveCursor(kLeft + 485, kTop + 15);
    ASSERT_TRUE(uitest::PumpUntil([&] { return modal_.CloseHover(); }));
    uitest::MoveCursor(kLeft + kWidth + 50, kTop + 15);  // off the window
    EXPECT_TRUE(uitest::PumpUntil([&] { return !modal_.CloseHover(); }));
}

}  // namespace
