// TMemDC: the off-screen buffer of one WM_PAINT. Construction begins the paint and makes a memory
// device context with a bitmap of the client size; everything is drawn into that; destruction
// copies the buffer to the window in one BitBlt, releases the buffer and ends the paint. So a
// window never shows a half-drawn frame.
#pragma once

#include "platform/win32.h"

class TMemDC {
  public:
    // Call only while handling WM_PAINT of window.
    explicit TMemDC(HWND window);
    virtual ~TMemDC();
    TMemDC(const TMemDC&) = delete;
    TMemDC& operator=(const TMemDC&) = delete;

    // The memory device context all drawing goes to.
    HDC Dc() const { return m_memDC; }
    operator HDC() const { return m_memDC; }
    const RECT& ClientRect() const { return m_client; }

  private:
    HWND m_hWnd;
    bool m_copy = true;  // copy the buffer to the window when finished
    HDC m_paintDC = nullptr;
    PAINTSTRUCT m_paint{};
    HDC m_memDC = nullptr;
    HBITMAP m_bitmap = nullptr;
    RECT m_client{};
};
