#include "ui/ix_frm.h"

namespace {

constexpr int kObjectSlot = 0;

TIxFrm* ObjectOf(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        return static_cast<TIxFrm*>(create->lpCreateParams);
    }
    return reinterpret_cast<TIxFrm*>(GetWindowLongPtrW(window, kObjectSlot));
}

}  // namespace

HWND TIxFrm::Create(const wchar_t* className, HWND parent, DWORD style, DWORD exStyle) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &TIxFrm::SharedWindowProc;
    windowClass.cbWndExtra = sizeof(TIxFrm*);
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly when the class exists
    return CreateWindowExW(exStyle, className, nullptr, style, 0, 0, 0, 0, parent, nullptr,
                           instance, this);
}

LRESULT CALLBACK TIxFrm::SharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TIxFrm* object = ObjectOf(window, message, lParam);
    if (message == WM_NCCREATE && object) {
        object->m_hWnd = window;
        SetWindowLongPtrW(window, kObjectSlot, reinterpret_cast<LONG_PTR>(object));
    }
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = object->WndProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, kObjectSlot, 0);
        object->m_hWnd = nullptr;
    }
    if (result != -1) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}
