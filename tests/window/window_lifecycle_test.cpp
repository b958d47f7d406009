// Windows from creation to destruction: the messages on the way and their order, the extra bytes,
// class registration, and what survives destruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "window_test_support.h"

using namespace wintest;

namespace {

const RECT kPlace{40, 50, 240, 170};

size_t IndexOf(const std::vector<Recorded>& log, UINT message, HWND window = nullptr) {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].message == message && (!window || log[i].window == window)) return i;
    return log.size();
}

}  // namespace

TEST(WindowLifecycle, CreationSendsNcCreateWithTheObjectThenCreate) {
    Recorder recorder;
    void* carried = nullptr;
    recorder.handler = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT&) {
        if (message == WM_NCCREATE)
            carried = reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
        return false;
    };
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    size_t ncCreate = IndexOf(recorder.log, WM_NCCREATE), create = IndexOf(recorder.log, WM_CREATE);
    ASSERT_LT(ncCreate, recorder.log.size());
    ASSERT_LT(create, recorder.log.size());
    EXPECT_LT(ncCreate, create);
    // What comes before WM_NCCREATE finds no object yet. Windows sends WM_GETMINMAXINFO there to
    // sizable top-level windows (not to this popup, as Wine shows); the native layer sends it to
    // every top-level window, so that the procedure's path for such messages is used.
    for (size_t i = 0; i < recorder.log.size(); ++i) {
        EXPECT_EQ(recorder.log[i].beforeNcCreate, i <= ncCreate) << recorder.log[i].message;
        if (i < ncCreate) {
            EXPECT_EQ(recorder.log[i].message, WM_GETMINMAXINFO);
        }
    }
#ifndef _WIN32
    EXPECT_LT(IndexOf(recorder.log, WM_GETMINMAXINFO), ncCreate);
#endif
    EXPECT_EQ(carried, &recorder);
    EXPECT_EQ(GetWindowLongPtrW(window, 0), reinterpret_cast<LONG_PTR>(&recorder));
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(WindowLifecycle, NcCreateAnsweringFalseFailsTheCreation) {
    Recorder recorder;
    recorder.handler = [](HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
        result = FALSE;
        return message == WM_NCCREATE;
    };
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    EXPECT_EQ(window, nullptr);
    ASSERT_FALSE(recorder.log.empty());
    EXPECT_TRUE(recorder.Of(WM_CREATE).empty());
    HWND made = recorder.Of(WM_NCCREATE).at(0).window;
    EXPECT_FALSE(IsWindow(made));
}

TEST(WindowLifecycle, ExtraBytesHoldAPointerAndRefuseOtherIndexes) {
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    int cookie = 0;
    EXPECT_EQ(SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(&cookie)),
              reinterpret_cast<LONG_PTR>(&recorder));
    EXPECT_EQ(GetWindowLongPtrW(window, 0), reinterpret_cast<LONG_PTR>(&cookie));
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(&recorder));
    for (int index : {1, 8, 64}) {
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrW(window, index), 0) << index;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX)) << index;
    }
    DestroyWindow(window);
}

TEST(WindowLifecycle, SecondRegistrationOfAClassFailsHarmlessly) {
    RecorderClass();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    EXPECT_EQ(wc.cbSize, 80u);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = RecorderClass();
    SetLastError(0);
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    EXPECT_NE(window, nullptr);  // the first registration still serves
    DestroyWindow(window);
}

TEST(WindowLifecycle, DestructionReachesParentThenChildrenAndEndsChildrenFirst) {
    Recorder recorder;
    HWND parent = CreateRecorded(recorder, WS_POPUP, kPlace);
    HWND child = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, {5, 5, 50, 50}, parent);
    HWND grandchild = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, {1, 1, 10, 10}, child);
    ASSERT_TRUE(parent && child && grandchild);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetParent(grandchild), child);
    recorder.Clear();
    bool aliveDuringDestroy = false;
    recorder.handler = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_DESTROY && window == grandchild) aliveDuringDestroy = IsWindow(parent);
        return false;
    };
    EXPECT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Recorded& r : recorder.log)
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY)
            order.push_back({r.window, r.message});
    std::vector<std::pair<HWND, UINT>> expected = {
        {parent, WM_DESTROY},       {child, WM_DESTROY},   {grandchild, WM_DESTROY},
        {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(aliveDuringDestroy);
    for (HWND gone : {parent, child, grandchild}) EXPECT_FALSE(IsWindow(gone));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(parent, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowLifecycle, OwnedPopupsGoWithTheirOwner) {
    Recorder recorder;
    HWND owner = CreateRecorded(recorder, WS_POPUP, kPlace);
    HWND owned = CreateRecorded(recorder, WS_POPUP, {0, 0, 30, 30}, owner);
    ASSERT_TRUE(owner && owned);
    EXPECT_EQ(GetParent(owned), owner);
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_LT(IndexOf(recorder.log, WM_NCDESTROY, owned), IndexOf(recorder.log, WM_DESTROY, owner));
}

TEST(WindowLifecycle, IconsAndTextGoThroughTheProcedure) {
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    HICON first = reinterpret_cast<HICON>(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(first)), 0);
    EXPECT_EQ(SendMessageW(window, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(first));
    EXPECT_EQ(SendMessageW(window, WM_SETICON, ICON_SMALL, 0), 0);
    EXPECT_TRUE(SetWindowTextW(window, L"Title"));
    ASSERT_EQ(recorder.Of(WM_SETTEXT).size(), 1u);
    // Read back whole, and cut to the buffer with its NUL.
    wchar_t text[8] = L"xxxxxxx";
    EXPECT_EQ(GetWindowTextW(window, text, 8), 5);
    EXPECT_EQ(std::wstring(text), L"Title");
    EXPECT_EQ(GetWindowTextW(window, text, 3), 2);
    EXPECT_EQ(std::wstring(text), L"Ti");
    DestroyWindow(window);
    EXPECT_FALSE(SetWindowTextW(window, L"gone"));
    EXPECT_EQ(GetWindowTextW(window, text, 8), 0);
}

TEST(WindowGeometry, MoveWindowTellsTheNewClientSizeOnlyWhenItChanges) {
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, {0, 0, 100, 80});
    ASSERT_NE(window, nullptr);
    struct Case {
        RECT to;
        bool sized;
    } cases[] = {
        {{10, 10, 110, 90}, false},  // moved only
        {{10, 10, 210, 90}, true},   // wider
        {{10, 10, 210, 90}, false},  // the same again
        {{30, 40, 130, 100}, true},  // moved and smaller
    };
    for (const Case& c : cases) {
        recorder.Clear();
        LONG width = c.to.right - c.to.left, height = c.to.bottom - c.to.top;
        EXPECT_TRUE(MoveWindow(window, c.to.left, c.to.top, width, height, TRUE));
        auto sizes = recorder.Of(WM_SIZE);
        ASSERT_EQ(sizes.size(), c.sized ? 1u : 0u) << c.to.left << "," << width;
        if (c.sized) {
            EXPECT_EQ(LOWORD(sizes[0].lParam), width);
            EXPECT_EQ(HIWORD(sizes[0].lParam), height);
        }
        RECT client, outer;
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        EXPECT_EQ(client.right, width);
        EXPECT_EQ(client.bottom, height);
        EXPECT_EQ(outer.left, c.to.left);
        EXPECT_EQ(outer.top, c.to.top);
    }
    DestroyWindow(window);
}

TEST(WindowGeometry, ChildCoordinatesFollowTheParent) {
    Recorder recorder;
    HWND parent = CreateRecorded(recorder, WS_POPUP, {100, 200, 400, 400});
    HWND child = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, {10, 20, 60, 70}, parent);
    ASSERT_TRUE(parent && child);
    RECT rect;
    GetWindowRect(child, &rect);
    EXPECT_EQ(rect.left, 110);
    EXPECT_EQ(rect.top, 220);
    EXPECT_EQ(rect.right, 160);
    POINT p{115, 230};
    EXPECT_TRUE(ScreenToClient(child, &p));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 10);
    EXPECT_TRUE(ClientToScreen(parent, &p));
    EXPECT_EQ(p.x, 105);
    EXPECT_EQ(p.y, 210);
    DestroyWindow(parent);
}

TEST(WindowGeometry, ShowWindowReportsThePreviousVisibility) {
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(ShowWindow(window, SW_SHOWNA));
    EXPECT_TRUE(ShowWindow(window, SW_SHOWNA));
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(window, SW_HIDE));
    DestroyWindow(window);
}

// A shown child counts as visible only while its parent is shown too.
TEST(WindowGeometry, VisibilityOfAChildFollowsItsParent) {
    Recorder recorder;
    HWND parent = CreateRecorded(recorder, WS_POPUP, kPlace);
    ASSERT_NE(parent, nullptr);
    HWND child = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, RECT{5, 5, 50, 50}, parent);
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(IsWindowVisible(parent));
    EXPECT_FALSE(IsWindowVisible(child));
    ShowWindow(parent, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(parent));
    EXPECT_TRUE(IsWindowVisible(child));
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child));
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindowVisible(child));
}

TEST(WindowGeometry, DesktopWindowCoversThePrimaryScreen) {
    HWND desktop = GetDesktopWindow();
    ASSERT_TRUE(IsWindow(desktop));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(desktop, &rect));
    EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN));
}
