// Geometry of the installer dialog as plain values: every rectangle it draws or hit-tests, computed
// from the client size and the close-box size, and the point -> element lookup the press and hover
// handling use. The window code and the tests share these; neither needs a window.
#pragma once

#include "platform/win32.h"

namespace ui {

// The dialog's close-box base size.
constexpr int kDialogCloseBoxSize = 25;

struct DialogLayout {
    RECT caption{};      // caption bar
    RECT button{};       // Install/Open button
    RECT title{};        // package-code title line
    RECT status{};       // status line: step caption or failure text, percentage
    RECT waiting{};      // waiting line while installing
    RECT link{};         // custom-folder link that shows or hides the folder panel
    RECT browse{};       // Browse button of the folder panel
    RECT heading{};      // folder panel heading
    RECT folderLabel{};  // "target folder" label
    RECT folderBox{};    // rounded box around the folder path
    RECT folderText{};   // the folder path inside the box
    RECT closeCross{};   // the close box's cross
    RECT closeHit{};     // where a click reaches the close box
    RECT progress{};     // where the progress control goes when an installation starts
};

// The layout for a client area of width x height with a close box of size closeBoxSize.
DialogLayout DialogLayoutFor(LONG width, LONG height, int closeBoxSize = kDialogCloseBoxSize);

// The dialog's cross: top s / 3, bottom 2 * (s / 3), left width - 2s / 3, right left + s / 3.
RECT DialogCloseCross(LONG width, int closeBoxSize);

// What lies under a client point. Elements never overlap except the close box, which lies inside
// the caption bar and is found first; the caption bar and everything unlisted is None.
enum class DialogElement { None, CloseBox, Button, Browse, Link };
DialogElement ElementAt(const DialogLayout& layout, POINT point);

}  // namespace ui
