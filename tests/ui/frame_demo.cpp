// A modal window with a progress control at 42 percent: the framework's look in one picture.
// Natively it saves the window as a PNG (the path in its first argument) and ends; on Windows it
// shows the window for the number of seconds in its first argument (default 10), for a screenshot.
#include <cstdlib>
#include <string>

#include "ui/drawing_resources.h"
#include "ui/modal_wnd.h"
#include "ui/process_control.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

namespace {

class DemoWindow : public TModalWnd {
  public:
    void OnInit() override {
        SetTitle(L"TModalWnd demo");
        m_progress = new TProcess(CreatePen(PS_SOLID, 1, RGB(71, 156, 220)),
                                  CreateSolidBrush(RGB(71, 156, 220)));
        m_progress->SetPosition(42);
        m_progress->Create(L"TProcess", m_hWnd, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0);
    }
    void Place() override {
        MoveWindow(m_hWnd, 100, 100, 500, 310, TRUE);
        // Moved without repainting, as the installer does; the owner invalidates it when the
        // position is set.
        MoveWindow(m_progress->Handle(), 34, 260, 434, 15, FALSE);
        InvalidateRect(m_progress->Handle(), nullptr, FALSE);
    }
    ~DemoWindow() override { delete m_progress; }

  private:
    TProcess* m_progress = nullptr;
};

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ui::CreateDrawingResources();
    int status = 0;
    {
        DemoWindow window;
        window.Create(L"TModalWnd", nullptr, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST);
        window.OnInit();
        window.SetRunning(true);
        ShowWindow(window.Handle(), SW_SHOWNA);
        window.Place();
#ifdef _WIN32
        PumpFor(DWORD(argc > 1 ? atoi(argv[1]) : 10) * 1000);
#else
        PumpFor(200);
        if (argc < 2 || !winlayer::test::SaveWindowPng(window.Handle(), argv[1])) status = 1;
#endif
        if (IsWindow(window.Handle())) DestroyWindow(window.Handle());
    }
    ui::ReleaseDrawingResources();
    return status;
}
