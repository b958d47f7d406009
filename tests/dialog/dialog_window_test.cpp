// The live dialog: set-up, placement, presses on its elements, the folder picker, the reinstall
// warning, the workflow's messages and closing with what closing leaves behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dialog_test_support.h"
#include "gdi_test_support.h"
#include "system/product_settings.h"
#include "ui/dialog_placement.h"
#include "ui/frame_painting.h"
#include "ui/text_tables.h"
#include "window_test_support.h"
#include "workflow/install_state.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

namespace {

using dialogtest::Centre;

class LiveDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef _WIN32
        winlayer::test::ResetDialogs();
#endif
        live_.reset(new dialogtest::LiveDialog);
    }
    void TearDown() override {
        live_.reset();
#ifndef _WIN32
        winlayer::test::ResetDialogs();
#endif
    }
    TTallowindDlg& Dlg() {
        return live_->Dialog();
    }
    HWND Window() {
        return live_->Window();
    }
    ProductSettings& Settings() {
        return ProductSettings::Instance();
    }
    std::unique_ptr<dialogtest::LiveDialog> live_;
};

TEST_F(LiveDialogTest, SetUpLeavesAnIdleDialogReadyForTheWorker) {
    EXPECT_EQ(Dlg().State(), DialogState::Idle);
    EXPECT_FALSE(Dlg().PanelShown());
    EXPECT_EQ(DialogWindowHandle, Window());
    wchar_t text[16] = {};
    GetWindowTextW(Window(), text, 16);
    EXPECT_EQ(std::wstring(text), L"远帆");
    ASSERT_NE(Dlg().Progress(), nullptr);
    EXPECT_EQ(GetParent(Dlg().Progress()->Handle()), Window());
    RECT progress{};
    GetClientRect(Dlg().Progress()->Handle(), &progress);
    EXPECT_EQ(progress.right, 0) << "zero-sized until an installation starts";
    EXPECT_EQ(Dlg().keyPrefix, "8.5");
    EXPECT_EQ(Dlg().region, "accelerate");
    EXPECT_NE(Dlg().client, nullptr);
    EXPECT_TRUE(Dlg().Running());
    EXPECT_EQ(Dlg().Layout().button.top, 202);
}

TEST_F(LiveDialogTest, PlacedOnTheMonitorUnderTheCursor) {
    POINT cursor{};
    GetCursorPos(&cursor);
    POINT expected =
        ui::DialogOrigin(cursor, ui::CurrentDisplayAreas(), GetSystemMetrics(SM_CYSCREEN));
    RECT window{};
    GetWindowRect(Window(), &window);
    EXPECT_EQ(window.left, expected.x);
    EXPECT_EQ(window.top, expected.y);
    EXPECT_EQ(window.right - window.left, 500);
    EXPECT_EQ(window.bottom - window.top, 310);
}

#ifndef _WIN32
// The machine's monitors are the layer's to set; under Wine they are the host's.
TEST_F(LiveDialogTest, PlacementFollowsMonitorsAndTheirScale) {
    using winlayer::test::Monitor;
    struct Case {
        std::vector<Monitor> monitors;
        POINT cursor;
        POINT expected;
    };
    Monitor primary;
    Monitor left;
    left.x = -1280;
    left.width = 1280;
    left.height = 1024;
    Monitor hiDpi;
    hiDpi.width = 3840;
    hiDpi.height = 2160;
    hiDpi.logPixels = 192;
    const Case cases[] = {{{primary, left}, {-600, 500}, {-890, 385}},
                          {{primary, left}, {300, 500}, {710, 385}},
                          {{hiDpi}, {100, 100}, {710, 925}}};
    for (const Case& c : cases) {
        winlayer::test::SetMonitors(c.monitors);
        winlayer::test::MoveMouse(c.cursor.x, c.cursor.y);
        Dlg().Place();
        RECT window{};
        GetWindowRect(Window(), &window);
        EXPECT_EQ(window.left, c.expected.x) << "cursor x " << c.cursor.x;
        EXPECT_EQ(window.top, c.expected.y) << "cursor x " << c.cursor.x;
    }
    winlayer::test::SetMonitors({Monitor{}});
}
#endif

TEST_F(LiveDialogTest, LinkShowsAndHidesThePanel) {
    live_->Press(Centre(Dlg().Layout().link));
    EXPECT_TRUE(Dlg().PanelShown());
    live_->Press(Centre(Dlg().Layout().link));
    EXPECT_FALSE(Dlg().PanelShown());
}

TEST_F(LiveDialogTest, HoverFollowsTheCursorAndLeavingClearsIt) {
    live_->MoveTo(Centre(Dlg().Layout().button));
    EXPECT_TRUE(wintest::PumpUntil([&] { return Dlg().Look().buttonHover; }));
    live_->MoveTo(Centre(Dlg().Layout().closeHit));
    EXPECT_TRUE(wintest::PumpUntil([&] { return Dlg().Look().closeHover; }));
    EXPECT_FALSE(Dlg().Look().buttonHover);
    RECT window{};
    GetWindowRect(Window(), &window);
    wintest::MoveCursor(window.right + 40, window.bottom + 40);
    EXPECT_TRUE(wintest::PumpUntil([&] { return !Dlg().Look().closeHover; }));
}

struct PickCase {
    const char* answer;  // "" cancels
    bool panelShown;
    const char* expectedParent;  // of productFolderName; null: installDir unchanged
};

// The folder picker can be answered only through our layer; under Wine it would wait for a person.
TEST_F(LiveDialogTest, BrowseSetsTheInstallFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "the folder picker cannot be answered under Wine";
#else
    const PickCase cases[] = {
        {"D:\\Apps", true, "D:\\Apps"}, {"", true, nullptr}, {"D:\\Elsewhere", false, nullptr}};
    for (const PickCase& c : cases) {
        winlayer::test::ResetDialogs();
        winlayer::test::QueueFolderAnswer(c.answer);
        const std::string before = Settings().installDir;
        if (Dlg().PanelShown() != c.panelShown) live_->Press(Centre(Dlg().Layout().link));
        live_->Press(Centre(Dlg().Layout().browse));
        if (c.expectedParent) {
            EXPECT_EQ(Settings().installDir,
                      std::string(c.expectedParent) + "\\" + Settings().productFolderName);
        } else {
            EXPECT_EQ(Settings().installDir, before) << c.answer;
        }
        // "浏览文件夹" in code page 936; no picker at all while the panel is hidden.
        std::vector<std::string> expectedTitles;
        if (c.panelShown) expectedTitles.push_back("\xE4\xAF\xC0\xC0\xCE\xC4\xBC\xFE\xBC\xD0");
        EXPECT_EQ(winlayer::test::FolderPickerTitles(), expectedTitles) << c.answer;
    }
#endif
}

TEST_F(LiveDialogTest, CancelledReinstallWarningLeavesTheDialogIdle) {
    const std::string subfolder = Settings().installDir + "\\config";
    ASSERT_TRUE(CreateDirectoryA(Settings().installDir.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(subfolder.c_str(), nullptr));
    {
        dialogtest::WarningAnswer answer(IDCANCEL);
        live_->Press(Centre(Dlg().Layout().button));
        EXPECT_EQ(answer.Answered(), 1);
#ifndef _WIN32
        const auto boxes = winlayer::test::MessageBoxRecords();
        ASSERT_EQ(boxes.size(), 1u);
        const auto& box = boxes[0];
        EXPECT_EQ(box.caption, L"警告");
        EXPECT_EQ(box.type, UINT(MB_OKCANCEL));
        EXPECT_EQ(box.text.substr(0, 4), L"请注意，");
#endif
    }
    EXPECT_EQ(Dlg().State(), DialogState::Idle);
    EXPECT_FALSE(wintest::Exists(Settings().stagingDir)) << "nothing was prepared";
    EXPECT_TRUE(wintest::Exists(subfolder));
}

struct MessageCase {
    UINT message;
    LPARAM lParam;
    DialogState state;
    const wchar_t* status;
    int position;
    bool progressVisible;
};

TEST_F(LiveDialogTest, WorkflowMessagesChangeStateAndTexts) {
    const MessageCase failing[] = {
        {WM_INSTALL_PROGRESS, 42, DialogState::Installing, L"", 42, true},
        {WM_INSTALL_STEP, 12, DialogState::Installing, L"Delete install files", 42, true},
        {WM_INSTALL_PROGRESS, 7, DialogState::Installing, L"Delete install files", 7, true},
        {WM_INSTALL_FAILED, 3, DialogState::Failed, L"Download configuration file Fail", 7, true},
    };
    const MessageCase succeeding[] = {
        {WM_INSTALL_PROGRESS, 100, DialogState::Installing, L"", 100, true},
        {WM_INSTALL_DONE, 0, DialogState::Done, L"", 100, false},
    };
    auto play = [&](const MessageCase* begin, const MessageCase* end) {
        for (const MessageCase* c = begin; c != end; ++c) {
            live_->Post(c->message, c->lParam);
            SCOPED_TRACE("message " + std::to_string(c->message));
            EXPECT_EQ(int(Dlg().State()), int(c->state));
            EXPECT_EQ(wintest::Utf8(Dlg().StatusText()), wintest::Utf8(c->status));
            EXPECT_EQ(Dlg().Progress()->Position(), c->position);
            EXPECT_EQ(Dlg().Look().progress, c->position);
            EXPECT_EQ(bool(IsWindowVisible(Dlg().Progress()->Handle())), c->progressVisible);
        }
    };
    play(std::begin(failing), std::end(failing));
    live_.reset();
    live_.reset(new dialogtest::LiveDialog);
    play(std::begin(succeeding), std::end(succeeding));
}

struct CloseCase {
    const char* name;
    std::vector<std::pair<UINT, LPARAM>> messages;
    bool closes;
    bool stagingKept;
};

// The close box acts on release outside an installation; the staging folder goes only when the
// dialog object is destroyed after a failure.
TEST_F(LiveDialogTest, CloseBoxAndWhatClosingLeaves) {
    const CloseCase cases[] = {
        {"idle", {}, true, true},
        {"installing", {{WM_INSTALL_PROGRESS, 10}}, false, true},
        {"failed", {{WM_INSTALL_PROGRESS, 10}, {WM_INSTALL_FAILED, 3}}, true, false},
        {"done", {{WM_INSTALL_PROGRESS, 100}, {WM_INSTALL_DONE, 0}}, true, true},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.name);
        live_.reset();
        live_.reset(new dialogtest::LiveDialog);
        const std::string staging = Settings().stagingDir;
        ASSERT_TRUE(CreateDirectoryA(staging.c_str(), nullptr));
        ASSERT_TRUE(wintest::WriteBytes(staging + "\\base.zip", "zip"));
        for (const auto& message : c.messages) live_->Post(message.first, message.second);
        UpdateWindow(Window());
        live_->Press(Centre(Dlg().Layout().closeHit));
        live_->Release(Centre(Dlg().Layout().closeHit));
        EXPECT_EQ(!IsWindow(Window()), c.closes);
        EXPECT_EQ(!Dlg().Running(), c.closes);
        live_->DestroyObject();
        EXPECT_EQ(wintest::Exists(staging), c.stagingKept);
    }
}

}  // namespace

namespace {

// A window as last painted, read back through its DC (its children not included).
std::vector<COLORREF> Photograph(HWND window, int width, int height, const char* png = nullptr) {
    gditest::Canvas canvas(width, height);
    HDC source = GetDC(window);
    BitBlt(canvas.Dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    if (png) canvas.SavePngIfAsked(png);
    return canvas.Pixels();
}

COLORREF At(const std::vector<COLORREF>& pixels, int x, int y, int width = 500) {
    return pixels[size_t(y) * size_t(width) + size_t(x)];
}

struct WindowShot {
    const char* name;
    std::vector<std::pair<UINT, LPARAM>> messages;
    bool cross;          // the close box is drawn
    bool button;         // the Install/Open button is drawn
    bool progressShown;  // the progress control's window is visible
    bool progressBar;    // ... with a bar at its start
};

// The window's own paint: the state's look, with the progress control over it while installing.
TEST_F(LiveDialogTest, WindowPaintsEachState) {
    const WindowShot shots[] = {
        {"window-idle", {}, true, true, true, false},
        {"window-installing",
         {{WM_INSTALL_PROGRESS, 42}, {WM_INSTALL_STEP, 12}},
         false,
         false,
         true,
         true},
        {"window-failed",
         {{WM_INSTALL_PROGRESS, 42}, {WM_INSTALL_FAILED, 3}},
         true,
         false,
         true,
         true},
        {"window-done",
         {{WM_INSTALL_PROGRESS, 100}, {WM_INSTALL_DONE, 0}},
         true,
         true,
         false,
         false},
    };
    for (const WindowShot& shot : shots) {
        SCOPED_TRACE(shot.name);
        live_.reset();
        live_.reset(new dialogtest::LiveDialog);
        // The progress control goes where StartInstall puts it, without starting a worker.
        const RECT& at = Dlg().Layout().progress;
        MoveWindow(Dlg().Progress()->Handle(), at.left, at.top, at.right - at.left,
                   at.bottom - at.top, FALSE);
        for (const auto& message : shot.messages) live_->Post(message.first, message.second);
        InvalidateRect(Window(), nullptr, FALSE);
        UpdateWindow(Window());
        wintest::Pump();
        std::vector<COLORREF> pixels = Photograph(Window(), 500, 310, shot.name);
#ifndef _WIN32
        // Natively the layer also photographs the window with its child, for a look.
        if (const char* folder = getenv("OBJSTORE_GDI_PNG_DIR")) {
            winlayer::test::SaveWindowPng(
                Window(), std::string(folder) + "/native-" + shot.name + "-whole.png");
        }
#endif
        EXPECT_EQ(At(pixels, 488, 12) == ui::kDialogCloseNormal, shot.cross)
            << dialogtest::Describe(At(pixels, 488, 12));
        EXPECT_EQ(At(pixels, 203, 220) == ui::kButtonFill, shot.button)
            << dialogtest::Describe(At(pixels, 203, 220));
        HWND progress = Dlg().Progress()->Handle();
        EXPECT_EQ(bool(IsWindowVisible(progress)), shot.progressShown);
        if (shot.progressBar) {
            std::vector<COLORREF> bar = Photograph(progress, 434, 15);
            EXPECT_EQ(dialogtest::Describe(At(bar, 10, 7, 434)),
                      dialogtest::Describe(ui::kBarColour));
        }
    }
}

}  // namespace
