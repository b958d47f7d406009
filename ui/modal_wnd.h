// TModalWnd: a top-level window that draws its own caption bar and close box, can be dragged by any
// spot its subclass does not claim, and carries the running flag of the modal loop that serves it.
// Painting always goes through a TMemDC; subclasses draw their content in DrawContent.
#pragma once

#include <string>

#include "ui/ix_frm.h"
#include "ui/mem_dc.h"

class TModalWnd : public TIxFrm {
  public:
    ~TModalWnd() override;

    // Base message handling: size, paint, hover of the close box, drag, close on release.
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Set-up after the window exists.
    virtual void OnInit() = 0;
    // Sizes and positions the window.
    virtual void Place() = 0;
    // Draws the client content into the paint's buffer; nothing in the base.
    virtual void DrawContent(TMemDC& dc);
    // Clears the running flag and destroys the window.
    virtual void Close();

    bool Running() const { return m_running; }
    void SetRunning(bool running) { m_running = running; }
    bool CloseHover() const { return m_closeHover; }
    const RECT& CloseRect() const { return m_closeRect; }
    const RECT& CaptionBar() const { return m_captionRect; }

    void SetTitle(const std::wstring& title) { m_title = title; }
    // Takes ownership of bitmap (deleted with the object).
    void SetBackground(HBITMAP bitmap);

  protected:
    // The cursor in client coordinates (read from the system, never from lParam).
    POINT CursorInClient() const;
    // Asks for WM_MOUSELEAVE when the cursor leaves the window.
    void TrackLeave() const;
    // Posts the caption-drag request for this press unless a modifier key is held or the press is
    // on the close box.
    void DragOnPress(WPARAM wParam, LPARAM lParam);
    void Invalidate() const;

    std::wstring m_title;
    HWND m_parent = nullptr;
    HBITMAP m_background = nullptr;
    RECT m_captionRect{};
    RECT m_closeRect{};
    bool m_closeHover = false;
    bool m_running = false;
    int m_closeBoxSize = 0;

  private:
    void Paint();
};
