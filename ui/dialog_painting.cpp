#include "ui/dialog_painting.h"

#include <cwchar>

#include "ui/drawing_resources.h"
#include "ui/frame_geometry.h"
#include "ui/frame_painting.h"
#include "ui/gdi_scope.h"
#include "ui/text_tables.h"

namespace ui {

namespace {

// The fixed texts of the folder panel and the link.
const wchar_t kPanelHeading[] = L"请选择安装目录:";
const wchar_t kFolderLabel[] = L"目标文件夹:";
const wchar_t kBrowseLabel[] = L"浏览";
const wchar_t kLinkText[] = L"自定义安装目录>";

void DrawIn(HDC dc, const wchar_t* text, RECT rect, UINT format) {
    DrawTextW(dc, text, -1, &rect, format);
}

void RoundBox(HDC dc, const RECT& rect, COLORREF fill, int corner) {
    OwnedGdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    OwnedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kButtonBorder));
    Selection brushSelected(dc, brush.Get());
    Selection penSelected(dc, pen.Get());
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, corner, corner);
}

void PaintFolderPanel(HDC dc, const DialogLook& look) {
    const DialogLayout& layout = look.layout;
    const UINT line = DT_SINGLELINE | DT_VCENTER;
    {
        Selection font(dc, Drawing().font20);
        DrawIn(dc, kPanelHeading, layout.heading, line);
    }
    Selection font(dc, Drawing().font18);
    DrawIn(dc, kFolderLabel, layout.folderLabel, line);
    RoundBox(dc, layout.folderBox, kButtonFill, 5);
    RECT text = layout.folderText;
    DrawTextA(dc, look.installDir.c_str(), -1, &text, DT_END_ELLIPSIS | line);
    RoundBox(dc, layout.browse, look.browseHover ? kButtonHoverFill : kButtonFill, 2);
    DrawIn(dc, kBrowseLabel, layout.browse, line | DT_CENTER);
}

// The label sits one pixel high and sinks onto the button's centre under the cursor.
void PaintButton(HDC dc, const DialogLook& look) {
    RoundBox(dc, look.layout.button, look.buttonHover ? kButtonHoverFill : kButtonFill, 5);
    RECT label = look.layout.button;
    if (!look.buttonHover) {
        label.top -= 1;
        label.bottom -= 1;
    }
    Selection font(dc, Drawing().font22);
    const wchar_t* text = UiText(look.state == DialogState::Done ? 7 : 0);
    DrawIn(dc, text, label, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void PaintIdleOrDone(HDC dc, const DialogLook& look) {
    bool idle = look.state == DialogState::Idle;
    if (idle && look.panelShown) PaintFolderPanel(dc, look);
    PaintButton(dc, look);
    if (idle) {
        Selection font(dc, Drawing().font18);
        DrawIn(dc, kLinkText, look.layout.link, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
}

void PaintProgressLines(HDC dc, const DialogLook& look) {
    SetTextColor(dc, kStatusText);
    Selection font(dc, Drawing().font20);
    const RECT& status = look.layout.status;
    if (look.state == DialogState::Failed) {
        // Not single-line: the text stays at the top of the line, right-aligned.
        DrawIn(dc, look.statusText.c_str(), status, DT_RIGHT | DT_BOTTOM);
        return;
    }
    wchar_t percent[16];
    swprintf(percent, 16, L"%d%%", look.progress);
    DrawIn(dc, percent, status, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    DrawIn(dc, look.statusText.c_str(), status, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, kWaitingText);
    Selection waitingFont(dc, Drawing().font27);
    DrawIn(dc, UiText(10), look.layout.waiting, DT_SINGLELINE | DT_VCENTER);
}

}  // namespace

int PictureIdFor(DialogState state) {
    bool busy = state == DialogState::Installing || state == DialogState::Failed;
    return busy ? kInstallingPicture : kIdlePicture;
}

void PaintDialogFrame(HDC dc, const DialogLook& look) {
    SetBkMode(dc, TRANSPARENT);
    PaintFrameBackground(dc, look.client, look.layout.caption);
    if (look.background) {
        PaintBitmap(dc, look.background, look.client.right - look.client.left,
                    look.client.bottom - look.client.top);
    }
    if (look.state != DialogState::Installing) {
        PaintCross(dc, look.layout.closeCross,
                   look.closeHover ? kDialogCloseHovered : kDialogCloseNormal);
    }
    if (look.state != DialogState::Idle && look.state != DialogState::Done) return;
    Selection font(dc, Drawing().font27);
    SetTextColor(dc, kPictureText);
    if (!look.panelShown || look.state == DialogState::Done) {
        DrawIn(dc, look.packageCode.c_str(), look.layout.title,
               DT_NOPREFIX | DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
    }
}

void PaintDialogContent(HDC dc, const DialogLook& look) {
    if (look.state == DialogState::Idle || look.state == DialogState::Done) {
        SetTextColor(dc, kPictureText);
        PaintIdleOrDone(dc, look);
    } else {
        PaintProgressLines(dc, look);
    }
}

}  // namespace ui
