// A small windowed program for the script driver tests: a 200 x 120 window at (100, 100) painted
// steel blue with a 50 x 40 red child at (20, 20); a click on the window (outside the child) closes
// it. Options: --close-after-ms N has a worker ask the window to close after N ms, so that a
// script that stops early cannot leave the program running; --repaint-every-ms N has a worker make
// the window paint again every N ms.
#include <cairo.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/posix/window_system.h"
#include "platform/win32.h"

namespace {

void Fill(HWND window, double r, double g, double b) {
    PAINTSTRUCT paint;
    if (!BeginPaint(window, &paint)) return;
    cairo_t* cr = cairo_create(winlayer::PaintSurface(window));
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    EndPaint(window, &paint);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool child = GetParent(window) != nullptr;
    switch (message) {
        case WM_PAINT:
            child ? Fill(window, 1, 0, 0) : Fill(window, 70 / 255.0, 130 / 255.0, 180 / 255.0);
            return 0;
        case WM_USER:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP:
            if (!child) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (!child) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PaintDemo";
    if (!RegisterClassExW(&wc)) return 2;
    HWND window = CreateWindowExW(0, L"PaintDemo", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    HWND child = CreateWindowExW(0, L"PaintDemo", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                 window, nullptr, wc.hInstance, nullptr);
    if (!window || !child) return 3;
    MoveWindow(window, 100, 100, 200, 120, TRUE);
    MoveWindow(child, 20, 20, 50, 40, TRUE);
    ShowWindow(window, SW_SHOWNA);
    for (int i = 1; i + 1 < argc; i += 2) {
        int ms = atoi(argv[i + 1]);
        if (!strcmp(argv[i], "--close-after-ms"))
            std::thread([window, ms] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }).detach();
        if (!strcmp(argv[i], "--repaint-every-ms"))
            std::thread([window, ms] {
                do std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                while (PostMessageW(window, WM_USER, 0, 0));
            }).detach();
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}
