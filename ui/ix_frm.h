// TIxFrm: one window owned by one object. Every message of the window reaches the object's virtual
// WndProc through a window procedure shared by all classes of the framework; the object is found
// through the window's extra slot 0, stored when WM_NCCREATE arrives.
//
// The object is created before its window and must outlive it. The handle is cleared when the
// window is gone (WM_NCDESTROY), so a stale handle is never used.
#pragma once

#include "platform/win32.h"

class TIxFrm {
  public:
    virtual ~TIxFrm() = default;

    // Registers the window class (a second registration fails harmlessly) and creates the window
    // with this object as the creation parameter, at (0, 0) with size 0. Returns the handle (null
    // on failure).
    HWND Create(const wchar_t* className, HWND parent, DWORD style, DWORD exStyle);

    // Handles one message; returns the result for the system, or -1 to leave the message to
    // DefWindowProcW.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND Handle() const { return m_hWnd; }

    // The shared window procedure of every framework class.
    static LRESULT CALLBACK SharedWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

  protected:
    HWND m_hWnd = nullptr;
};
