#include "ui/frame_geometry.h"

namespace ui {

RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom) {
    RECT rect;
    rect.left = left;
    rect.top = top;
    rect.right = right;
    rect.bottom = bottom;
    return rect;
}

bool Contains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

RECT Inflated(const RECT& rect, LONG amount) {
    return MakeRect(rect.left - amount, rect.top - amount, rect.right + amount,
                    rect.bottom + amount);
}

RECT CaptionRect(const RECT& client) {
    RECT caption = client;
    caption.bottom = kCaptionHeight;
    return caption;
}

RECT ModalCloseCross(LONG clientWidth) {
    return MakeRect(clientWidth - 20, 10, clientWidth - 10, 20);
}

CrossStrokes CrossStrokesOf(const RECT& cross) {
    CrossStrokes strokes;
    strokes.firstFrom = {cross.left, cross.top};
    strokes.firstTo = {cross.right + 1, cross.bottom + 1};
    strokes.secondFrom = {cross.left, cross.bottom};
    strokes.secondTo = {cross.right + 1, cross.top - 1};
    return strokes;
}

RECT CloseHitArea(const RECT& cross) {
    return Inflated(cross, 1);
}

bool PressStartsDrag(WPARAM keys, bool onCloseBox) {
    return keys == MK_LBUTTON && !onCloseBox;
}

ProgressBar ProgressBarFor(const RECT& client, int position) {
    ProgressBar result;
    if (position < 1 || position > 100) return result;
    RECT inner = Inflated(client, -3);
    LONG width = inner.right - inner.left;
    result.visible = true;
    result.bar = inner;
    result.bar.right = inner.left + static_cast<LONG>(double(width) * position / 100.0);
    if (result.bar.right < inner.right) {
        result.squareEnd = true;
        result.squareFill =
            MakeRect(result.bar.right - 4, inner.top, result.bar.right, inner.bottom);
    }
    return result;
}

}  // namespace ui
