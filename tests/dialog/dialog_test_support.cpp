#include "dialog_test_support.h"

#include <atomic>
#include <cstdio>
#include <thread>

#include "dialog_test_strings.h"
#include "system/default_folders.h"
#include "system/product_identity.h"
#include "system/product_settings.h"
#include "ui/drawing_resources.h"
#include "window_test_support.h"

#ifndef _WIN32
#include "platform/posix/image_resources.h"
#include "platform/posix/string_resources.h"
#include "platform/posix/test_interface.h"
#endif

namespace dialogtest {

void UseBrandResources() {
#ifndef _WIN32
    RegisterBitmapResource(101, DIALOG_BRAND_DIR "/idle.bmp");
    RegisterBitmapResource(104, DIALOG_BRAND_DIR "/installing.bmp");
    RegisterIconResource(102, DIALOG_BRAND_DIR "/icon.ico");
    RegisterStringResource(103, DIALOG_PACKAGE_CODE);
    RegisterStringResource(104, DIALOG_BRAND_SIMPLIFIED);
    RegisterStringResource(105, DIALOG_BRAND_TRADITIONAL);
    RegisterStringResource(106, DIALOG_BRAND_LATIN);
    RegisterStringResource(107, DIALOG_ENDPOINT);
    RegisterStringResource(108, DIALOG_COMPANY);
#endif
}

LiveDialog::LiveDialog() : dialog_(new TTallowindDlg) {
    UseBrandResources();
    ui::CreateDrawingResources();
    LoadProductIdentityFor(1033);
    // The cursor rests away from every element, so no hover is set by chance.
    wintest::MoveCursor(5, 5);
    window_ = dialog_->Create(L"TModalWnd", nullptr, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST);
    dialog_->OnInit();
    // The default folders of the machine are replaced by ones that the test owns.
    ApplyDefaultFolders(ProductSettings::Instance(), folder_.Path(), "000001");
    dialog_->SetRunning(true);
    ShowWindow(window_, SW_SHOWNA);
    dialog_->Place();
    UpdateWindow(window_);
    wintest::Pump();
}

LiveDialog::~LiveDialog() {
    DestroyObject();
    wintest::Pump();
    ui::ReleaseDrawingResources();
}

void LiveDialog::DestroyObject() {
    dialog_.reset();
}

void LiveDialog::MoveTo(POINT client) {
    POINT screen = client;
    ClientToScreen(window_, &screen);
    wintest::MoveCursor(screen.x, screen.y);
    wintest::PumpUntil([&] {
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == screen.x && cursor.y == screen.y;
    });
    wintest::Pump();
}

void LiveDialog::Press(POINT client) {
    MoveTo(client);
    SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    wintest::Pump();
}

void LiveDialog::Release(POINT client) {
    MoveTo(client);
    SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    wintest::Pump();
}

void LiveDialog::Post(UINT message, LPARAM lParam) {
    PostMessageW(window_, message, 0, lParam);
    wintest::Pump();
}

#ifndef _WIN32
struct WarningAnswer::Thread {};

WarningAnswer::WarningAnswer(int answer) {
    winlayer::test::ResetDialogs();
    winlayer::test::QueueMessageBoxAnswer(answer);
}

WarningAnswer::~WarningAnswer() {
    winlayer::test::ResetDialogs();
}

int WarningAnswer::Answered() const {
    int answered = 0;
    for (const auto& box : winlayer::test::MessageBoxRecords())
        answered += box.caption == L"\x8B66\x544A" ? 1 : 0;
    return answered;
}
#else
struct WarningAnswer::Thread {
    std::atomic<bool> stopping{false};
    std::atomic<int> answered{0};
    std::thread thread;
};

namespace {
void Press(HWND box, int answer) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
}
}  // namespace

WarningAnswer::WarningAnswer(int answer) : thread_(new Thread) {
    Thread* self = thread_.get();
    self->thread = std::thread([self, answer] {
        // A box gets its caption after it exists, so another box is given a few seconds first.
        DWORD otherSince = 0;
        while (!self->stopping) {
            HWND other = FindWindowW(L"#32770", nullptr);
            if (HWND box = FindWindowW(L"#32770", L"\x8B66\x544A")) {
                ++self->answered;
                Press(box, answer);
                otherSince = 0;
            } else if (!other) {
                otherSince = 0;
            } else if (!otherSince) {
                otherSince = GetTickCount();
            } else if (GetTickCount() - otherSince > 5000) {
                Press(other, IDCANCEL);
                otherSince = 0;
            }
            Sleep(25);
        }
    });
}

WarningAnswer::~WarningAnswer() {
    thread_->stopping = true;
    thread_->thread.join();
}

int WarningAnswer::Answered() const {
    return thread_->answered;
}
#endif

POINT Centre(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

RECT InkBoxIn(const std::vector<COLORREF>& pixels, int width, const RECT& area,
              COLORREF background) {
    RECT box{area.right, area.bottom, area.left, area.top};
    bool any = false;
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            if (pixels[size_t(y) * size_t(width) + size_t(x)] == background) continue;
            any = true;
            if (x < box.left) box.left = x;
            if (y < box.top) box.top = y;
            if (x + 1 > box.right) box.right = x + 1;
            if (y + 1 > box.bottom) box.bottom = y + 1;
        }
    }
    return any ? box : RECT{0, 0, 0, 0};
}

std::string Describe(COLORREF colour) {
    char text[32];
    snprintf(text, sizeof text, "(%u, %u, %u)", unsigned(GetRValue(colour)),
             unsigned(GetGValue(colour)), unsigned(GetBValue(colour)));
    return text;
}

}  // namespace dialogtest
