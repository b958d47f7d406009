#include "ui/mem_dc.h"

TMemDC::TMemDC(HWND window) : m_hWnd(window) {
    m_paintDC = BeginPaint(m_hWnd, &m_paint);
    SetBkMode(m_paintDC, TRANSPARENT);
    GetClientRect(m_hWnd, &m_client);
    m_memDC = CreateCompatibleDC(m_paintDC);
    m_bitmap = CreateCompatibleBitmap(m_paintDC, m_client.right - m_client.left,
                                      m_client.bottom - m_client.top);
    SelectObject(m_memDC, m_bitmap);
}

TMemDC::~TMemDC() {
    if (m_copy) {
        BitBlt(m_paintDC, 0, 0, m_client.right - m_client.left, m_client.bottom - m_client.top,
               m_memDC, 0, 0, SRCCOPY);
    }
    DeleteDC(m_memDC);
    DeleteObject(m_bitmap);
    EndPaint(m_hWnd, &m_paint);
}
