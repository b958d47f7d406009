#include "ui/modal_wnd.h"

#include "ui/drawing_resources.h"
#include "ui/frame_geometry.h"
#include "ui/frame_painting.h"

TModalWnd::~TModalWnd() {
    if (m_background) DeleteObject(m_background);
}

void TModalWnd::SetBackground(HBITMAP bitmap) {
    if (m_background && m_background != bitmap) DeleteObject(m_background);
    m_background = bitmap;
}

POINT TModalWnd::CursorInClient() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hWnd, &cursor);
    return cursor;
}

void TModalWnd::TrackLeave() const {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = 0;
    TrackMouseEvent(&track);
}

void TModalWnd::Invalidate() const {
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void TModalWnd::DragOnPress(WPARAM wParam, LPARAM lParam) {
    bool onClose = ui::Contains(m_closeRect, CursorInClient());
    if (ui::PressStartsDrag(wParam, onClose))
        PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
}

LRESULT TModalWnd::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            RECT client{};
            GetClientRect(m_hWnd, &client);
            m_captionRect = ui::CaptionRect(client);
            return 0;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_MOUSEMOVE:
            TrackLeave();
            m_closeHover = ui::Contains(m_closeRect, CursorInClient());
            Invalidate();
            return 0;
        case WM_LBUTTONDOWN:
            DragOnPress(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            if (ui::Contains(m_closeRect, CursorInClient())) Close();
            return 0;
        case WM_MOUSELEAVE:
            m_closeHover = false;
            Invalidate();
            return 0;
        default:
            return -1;
    }
}

void TModalWnd::Paint() {
    TMemDC dc(m_hWnd);
    const RECT& client = dc.ClientRect();
    ui::ModalFrameLook look;
    look.client = client;
    look.caption = m_captionRect;
    look.background = m_background;
    look.closeCross = ui::ModalCloseCross(client.right - client.left);
    look.closeHover = m_closeHover;
    look.title = m_title.c_str();
    look.titleFont = ui::Drawing().font20;
    ui::PaintModalFrame(dc, look);
    m_closeRect = ui::CloseHitArea(look.closeCross);
    DrawContent(dc);
}

void TModalWnd::DrawContent(TMemDC&) {}

void TModalWnd::Close() {
    m_running = false;
    DestroyWindow(m_hWnd);
}
