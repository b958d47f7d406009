#include "ui/drawing_resources.h"

namespace ui {

DrawingResources& Drawing() {
    static DrawingResources resources;
    return resources;
}

HFONT CreateInstallerFont(int height) {
    return CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                       L"Microsoft Yahei");
}

void CreateDrawingResources() {
    DrawingResources& set = Drawing();
    set.whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    set.font18 = CreateInstallerFont(18);
    set.font20 = CreateInstallerFont(20);
    set.font22 = CreateInstallerFont(22);
    set.font27 = CreateInstallerFont(27);
}

void ReleaseDrawingResources() {
    DrawingResources& set = Drawing();
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(set.whiteBrush), static_cast<HGDIOBJ>(set.font18),
                           static_cast<HGDIOBJ>(set.font20), static_cast<HGDIOBJ>(set.font22),
                           static_cast<HGDIOBJ>(set.font27)}) {
        if (object) DeleteObject(object);
    }
    set = DrawingResources();
}

}  // namespace ui
