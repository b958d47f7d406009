// Geometry of the window framework as plain values: the caption bar, the close box and its hit
// area, the drag rule and the progress bar. Painting and message handling call these; tests call
// them without a window.
#pragma once

#include "platform/win32.h"

namespace ui {

// Height of the caption bar drawn by the modal window.
constexpr LONG kCaptionHeight = 30;

RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom);
// True when point lies inside rect: left and top inclusive, right and bottom exclusive.
bool Contains(const RECT& rect, POINT point);
// rect grown (or, with a negative amount, shrunk) by amount on every side.
RECT Inflated(const RECT& rect, LONG amount);

// The caption bar: the client rectangle with its bottom at kCaptionHeight.
RECT CaptionRect(const RECT& client);

// The close box's cross of the modal window for a client width: (width - 20, 10) to
// (width - 10, 20).
RECT ModalCloseCross(LONG clientWidth);
// The two strokes of a cross, as MoveToEx/LineTo end points: one from (left, top) to
// (right + 1, bottom + 1), one from (left, bottom) to (right + 1, top - 1).
struct CrossStrokes {
    POINT firstFrom, firstTo, secondFrom, secondTo;
};
CrossStrokes CrossStrokesOf(const RECT& cross);
// The hit area of a close box: its cross grown by 1 on every side.
RECT CloseHitArea(const RECT& cross);

// A left-button press starts a window drag only when the left button alone is down (no Ctrl, no
// Shift, no other button) and the press is not on the close box.
bool PressStartsDrag(WPARAM keys, bool onCloseBox);

// The progress control's bar for a position in percent, inside a control of the given client
// rectangle. Positions 1 to 100 draw a bar in the track shrunk by 3; others draw the track only.
struct ProgressBar {
    bool visible = false;
    RECT bar{};  // rounded rectangle of the bar
    bool squareEnd = false;
    RECT squareFill{};  // squares the leading edge of an unfinished bar
};
ProgressBar ProgressBarFor(const RECT& client, int position);

}  // namespace ui
