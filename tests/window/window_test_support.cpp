#include "window_test_support.h"

#include <chrono>
#include <thread>

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

namespace wintest {
namespace {

thread_local Recorder* creating = nullptr;

LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* recorder = reinterpret_cast<Recorder*>(GetWindowLongPtrW(window, 0));
    bool early = !recorder;
    if (message == WM_NCCREATE) {
        recorder = static_cast<Recorder*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(recorder));
    }
    Recorder* target = recorder ? recorder : creating;
    if (target) target->log.push_back({window, message, wParam, lParam, early});
    LRESULT result = 0;
    if (recorder && recorder->handler && recorder->handler(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

#ifdef _WIN32
void SendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}
#endif

}  // namespace

std::vector<UINT> Recorder::Messages(const std::vector<UINT>& kinds, HWND window) const {
    std::vector<UINT> out;
    for (const Recorded& r : log)
        for (UINT kind : kinds)
            if (r.message == kind && (!window || r.window == window)) out.push_back(r.message);
    return out;
}

std::vector<Recorded> Recorder::Of(UINT message, HWND window) const {
    std::vector<Recorded> out;
    for (const Recorded& r : log)
        if (r.message == message && (!window || r.window == window)) out.push_back(r);
    return out;
}

const wchar_t* RecorderClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = RecordingProcedure;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.lpszClassName = L"WindowTestRecorder";
        RegisterClassExW(&wc);
        return L"WindowTestRecorder";
    }();
    return name;
}

HWND CreateRecorded(Recorder& recorder, DWORD style, RECT at, HWND parent, DWORD exStyle) {
    creating = &recorder;
    HWND window = CreateWindowExW(exStyle, RecorderClass(), nullptr, style, 0, 0, 0, 0, parent,
                                  nullptr, GetModuleHandleW(nullptr), &recorder);
    creating = nullptr;
    if (window) MoveWindow(window, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
    return window;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

#ifndef _WIN32
void MoveCursor(int x, int y) {
    winlayer::test::MoveMouse(x, y);
}
void PressLeftButton() {
    winlayer::test::PressLeft();
}
void ReleaseLeftButton() {
    winlayer::test::ReleaseLeft();
}
#else
void MoveCursor(int x, int y) {
    SetCursorPos(x, y);
    SendButton(MOUSEEVENTF_MOVE);  // a move by nothing: the window under the cursor hears of it
}
void PressLeftButton() {
    SendButton(MOUSEEVENTF_LEFTDOWN);
}
void ReleaseLeftButton() {
    SendButton(MOUSEEVENTF_LEFTUP);
}
#endif

}  // namespace wintest
