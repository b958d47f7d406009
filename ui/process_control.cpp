#include "ui/process_control.h"

#include "ui/drawing_resources.h"
#include "ui/frame_painting.h"
#include "ui/mem_dc.h"

TProcess::TProcess(HPEN barPen, HBRUSH barBrush) : m_barPen(barPen), m_barBrush(barBrush) {}

TProcess::~TProcess() {
    if (m_barPen) DeleteObject(m_barPen);
    if (m_barBrush) DeleteObject(m_barBrush);
}

LRESULT TProcess::WndProc(UINT message, WPARAM, LPARAM) {
    if (message != WM_PAINT) return -1;
    Paint();
    return 0;
}

void TProcess::Paint() {
    TMemDC dc(m_hWnd);
    ui::ProgressLook look;
    look.client = dc.ClientRect();
    look.position = m_position;
    look.trackBrush = ui::Drawing().whiteBrush;
    look.barPen = m_barPen;
    look.barBrush = m_barBrush;
    ui::PaintProgress(dc, look);
}
