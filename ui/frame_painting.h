// Painting of the window framework, as thin passes over the geometry of frame_geometry.h. Each
// function draws into a device context (the memory DC of a TMemDC while painting; any memory DC in
// tests) and leaves the context's selected objects as it found them.
#pragma once

#include "platform/win32.h"

namespace ui {

// Colours of the modal window's frame.
constexpr COLORREF kClientFill = RGB(255, 255, 255);
constexpr COLORREF kFrameColour = RGB(70, 70, 70);
constexpr COLORREF kCaptionColour = RGB(218, 66, 45);
constexpr COLORREF kCaptionTextColour = RGB(231, 231, 231);
constexpr COLORREF kModalCloseHovered = RGB(231, 231, 231);
constexpr COLORREF kModalCloseNormal = RGB(150, 150, 150);
// Colours of the progress control.
constexpr COLORREF kTrackBorder = RGB(226, 226, 226);
constexpr COLORREF kBarColour = RGB(71, 156, 220);

// The client filled white and framed, with the caption bar filled.
void PaintFrameBackground(HDC dc, const RECT& client, const RECT& caption);
// Copies bitmap to (0, 0) with the given size through a temporary compatible DC.
void PaintBitmap(HDC dc, HBITMAP bitmap, int width, int height);
// The close box's cross in a solid 1-pixel pen of colour.
void PaintCross(HDC dc, const RECT& cross, COLORREF colour);

// The modal window's base painting, without the caller's content.
struct ModalFrameLook {
    RECT client{};
    RECT caption{};
    HBITMAP background = nullptr;  // drawn over the client area when set
    RECT closeCross{};
    bool closeHover = false;
    const wchar_t* title = L"";
    HFONT titleFont = nullptr;
};
void PaintModalFrame(HDC dc, const ModalFrameLook& look);

// The progress control: a rounded track and, for positions 1 to 100, the bar.
struct ProgressLook {
    RECT client{};
    int position = 0;
    HBRUSH trackBrush = nullptr;  // the shared white brush
    HPEN barPen = nullptr;
    HBRUSH barBrush = nullptr;
};
void PaintProgress(HDC dc, const ProgressLook& look);

}  // namespace ui
