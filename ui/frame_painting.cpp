#include "ui/frame_painting.h"

#include "ui/frame_geometry.h"
#include "ui/gdi_scope.h"

namespace ui {

void PaintFrameBackground(HDC dc, const RECT& client, const RECT& caption) {
    OwnedGdiObject<HBRUSH> fill(CreateSolidBrush(kClientFill));
    OwnedGdiObject<HBRUSH> frame(CreateSolidBrush(kFrameColour));
    OwnedGdiObject<HBRUSH> captionFill(CreateSolidBrush(kCaptionColour));
    FillRect(dc, &client, fill.Get());
    FrameRect(dc, &client, frame.Get());
    FillRect(dc, &caption, captionFill.Get());
}

void PaintBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    HDC source = CreateCompatibleDC(dc);
    {
        Selection picture(source, bitmap);
        BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    }
    DeleteDC(source);
}

void PaintCross(HDC dc, const RECT& cross, COLORREF colour) {
    OwnedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    Selection selected(dc, pen.Get());
    CrossStrokes strokes = CrossStrokesOf(cross);
    MoveToEx(dc, strokes.firstFrom.x, strokes.firstFrom.y, nullptr);
    LineTo(dc, strokes.firstTo.x, strokes.firstTo.y);
    MoveToEx(dc, strokes.secondFrom.x, strokes.secondFrom.y, nullptr);
    LineTo(dc, strokes.secondTo.x, strokes.secondTo.y);
}

void PaintModalFrame(HDC dc, const ModalFrameLook& look) {
    Selection font(dc, look.titleFont);
    SetBkMode(dc, TRANSPARENT);
    PaintFrameBackground(dc, look.client, look.caption);
    if (look.background) {
        PaintBitmap(dc, look.background, look.client.right - look.client.left,
                    look.client.bottom - look.client.top);
    }
    PaintCross(dc, look.closeCross, look.closeHover ? kModalCloseHovered : kModalCloseNormal);
    SetTextColor(dc, kCaptionTextColour);
    RECT caption = look.caption;
    DrawTextW(dc, look.title, -1, &caption, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void PaintProgress(HDC dc, const ProgressLook& look) {
    FillRect(dc, &look.client, look.trackBrush);
    Selection trackBrush(dc, look.trackBrush);
    OwnedGdiObject<HPEN> trackPen(CreatePen(PS_SOLID, 1, kTrackBorder));
    {
        Selection pen(dc, trackPen.Get());
        RoundRect(dc, look.client.left, look.client.top, look.client.right, look.client.bottom, 12,
                  12);
        ProgressBar bar = ProgressBarFor(look.client, look.position);
        if (!bar.visible) return;
        Selection barPen(dc, look.barPen);
        Selection barBrush(dc, look.barBrush);
        RoundRect(dc, bar.bar.left, bar.bar.top, bar.bar.right, bar.bar.bottom, 5, 5);
        if (bar.squareEnd) FillRect(dc, &bar.squareFill, look.barBrush);
    }
}

}  // namespace ui
