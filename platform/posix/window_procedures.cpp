// Calling window procedures: SendMessageW, and what DefWindowProcW does for the messages the
// installer leaves to it.
#include <algorithm>
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/window_system.h"

namespace winlayer {

LRESULT CallWindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window) return 0;
        procedure = window->desktop ? nullptr : window->windowClass->proc;
    }
    return (procedure ? procedure : DefWindowProcW)(handle, message, wParam, lParam);
}

}  // namespace winlayer

using namespace winlayer;

namespace {

LRESULT StoreText(HWND handle, LPCWSTR text) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window) return FALSE;
    window->text = text ? text : L"";
    return TRUE;
}

LRESULT SwapIcon(HWND handle, WPARAM which, HICON icon) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window || which > ICON_BIG) return 0;
    HICON previous = window->icons[which];
    window->icons[which] = icon;
    return reinterpret_cast<LRESULT>(previous);
}

}  // namespace

// Natively the procedure runs on the calling thread even when another thread owns the window;
// the installer sends only to windows of its own thread.
LRESULT SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcedure(handle, message, wParam, lParam);
}

BOOL SetWindowTextW(HWND handle, LPCWSTR text) {
    if (!IsWindow(handle)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND handle, LPWSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        text[0] = L'\0';
        return 0;
    }
    size_t count = std::min(window->text.size(), size_t(maxCount - 1));
    window->text.copy(text, count);
    text[count] = L'\0';
    return int(count);
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(handle, &paint)) EndPaint(handle, &paint);
            return 0;
        }
        case WM_SETTEXT:
            return StoreText(handle, reinterpret_cast<LPCWSTR>(lParam));
        case WM_SETICON:
            return SwapIcon(handle, wParam, reinterpret_cast<HICON>(lParam));
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCAPTION) StartCaptionDrag(handle);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(handle, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            DestroyWindow(handle);
            return 0;
        default:
            return 0;
    }
}
