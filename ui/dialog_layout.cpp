#include "ui/dialog_layout.h"

#include "ui/frame_geometry.h"

namespace ui {

namespace {

RECT Offset(RECT rect, LONG dx, LONG dy) {
    return MakeRect(rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy);
}

// The status line: 434 wide, ending 34 from the right, its bottom 56 above the client's.
RECT StatusLine(LONG width, LONG height) {
    LONG right = width - 34;
    LONG bottom = height - 56;
    return MakeRect(right - 434, bottom - 20, right, bottom);
}

}  // namespace

RECT DialogCloseCross(LONG width, int closeBoxSize) {
    LONG third = closeBoxSize / 3;
    LONG left = width - (2 * closeBoxSize) / 3;
    return MakeRect(left, third, left + third, 2 * third);
}

DialogLayout DialogLayoutFor(LONG width, LONG height, int closeBoxSize) {
    DialogLayout layout;
    layout.caption = CaptionRect(MakeRect(0, 0, width, height));
    layout.button = MakeRect(200, height - 108, 300, height - 72);
    layout.title = Offset(layout.button, 0, -60);
    layout.status = StatusLine(width, height);
    // Reaches to the status line's right end: 200 pixels cut the English text short.
    layout.waiting = MakeRect(181, 96, layout.status.right, 123);
    layout.link = MakeRect(width - 5 - 95, height - 20, width - 5, height);
    layout.browse = MakeRect(420, 155, 460, 180);
    layout.heading = MakeRect(40, 90, 160, 115);
    layout.folderLabel = Offset(layout.heading, 0, 65);
    layout.folderBox = MakeRect(layout.folderLabel.left + 70, layout.folderLabel.top,
                                layout.folderLabel.left + 380, layout.folderLabel.bottom);
    layout.folderText = layout.folderBox;
    layout.folderText.left += 2;
    layout.folderText.right -= 2;
    layout.closeCross = DialogCloseCross(width, closeBoxSize);
    layout.closeHit = CloseHitArea(layout.closeCross);
    layout.progress = MakeRect(34, 260, 34 + 434, 260 + 15);
    return layout;
}

DialogElement ElementAt(const DialogLayout& layout, POINT point) {
    if (Contains(layout.closeHit, point)) return DialogElement::CloseBox;
    if (Contains(layout.button, point)) return DialogElement::Button;
    if (Contains(layout.browse, point)) return DialogElement::Browse;
    if (Contains(layout.link, point)) return DialogElement::Link;
    return DialogElement::None;
}

}  // namespace ui
