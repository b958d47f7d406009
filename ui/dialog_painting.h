// Painting of the installer dialog as thin passes over its layout: a plain description of what the
// dialog shows (DialogLook) drawn into any device context, so tests paint it on a canvas of their
// own and the window paints it into its TMemDC.
#pragma once

#include <string>

#include "platform/win32.h"
#include "ui/dialog_layout.h"
#include "ui/dialog_states.h"

namespace ui {

// Bitmap resources of the background pictures.
constexpr int kIdlePicture = 101;
constexpr int kInstallingPicture = 104;

constexpr COLORREF kDialogCloseNormal = RGB(231, 231, 231);
constexpr COLORREF kDialogCloseHovered = RGB(150, 150, 150);
constexpr COLORREF kPictureText = RGB(231, 231, 231);
constexpr COLORREF kButtonFill = RGB(75, 159, 223);
constexpr COLORREF kButtonHoverFill = RGB(55, 142, 210);
constexpr COLORREF kButtonBorder = RGB(125, 199, 255);
constexpr COLORREF kStatusText = RGB(0, 0, 0);
constexpr COLORREF kWaitingText = RGB(255, 255, 255);

struct DialogLook {
    DialogState state = DialogState::Idle;
    bool panelShown = false;
    bool buttonHover = false;
    bool browseHover = false;
    bool closeHover = false;
    RECT client{};
    DialogLayout layout;
    HBITMAP background = nullptr;  // the state's picture; the fills show without one
    std::wstring packageCode;
    std::string installDir;   // narrow, drawn with DrawTextA
    std::wstring statusText;  // step caption or failure text
    int progress = 0;         // percent shown at the right of the status line
};

// The bitmap resource of a state's background.
int PictureIdFor(DialogState state);

// Fills, picture, close box and title line: everything but the content.
void PaintDialogFrame(HDC dc, const DialogLook& look);
// Panel, button and link while idle or done; status and waiting lines while installing or failed.
void PaintDialogContent(HDC dc, const DialogLook& look);

}  // namespace ui
