#include "ui/dialog_placement.h"

namespace ui {

namespace {

struct Span {
    LONG left = 0, width = 0;
};

DisplayArea Scaled(DisplayArea area) {
    if (area.logPixels <= 96) return area;
    // Signed division for the position, unsigned for the size.
    LONG dpi = LONG(area.logPixels);
    area.x = area.x * 96 / dpi;
    area.y = area.y * 96 / dpi;
    area.width = area.width * 96u / area.logPixels;
    area.height = area.height * 96u / area.logPixels;
    return area;
}

bool Holds(const DisplayArea& area, POINT point) {
    return point.x >= area.x && point.x < area.x + LONG(area.width) && point.y >= area.y &&
           point.y < area.y + LONG(area.height);
}

}  // namespace

POINT DialogOrigin(POINT cursor, const std::vector<DisplayArea>& devices, int screenHeight) {
    Span span{cursor.x, 0};
    bool found = false, haveFallback = false;
    Span fallback;
    for (const DisplayArea& device : devices) {
        DisplayArea area = Scaled(device);
        if (area.x == 0 && area.y == 0) {
            fallback = {0, LONG(area.width)};
            haveFallback = true;
        }
        if (Holds(area, cursor)) {
            span = {area.x, LONG(area.width)};
            found = true;
            break;
        }
    }
    if (!found && haveFallback) span = fallback;
    POINT origin;
    origin.x = span.left + (span.width - kDialogWidth) / 2;
    origin.y = (screenHeight - kDialogHeight) / 2;
    return origin;
}

std::vector<DisplayArea> CurrentDisplayAreas() {
    std::vector<DisplayArea> areas;
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device);
    for (DWORD index = 0; EnumDisplayDevicesW(nullptr, index, &device, 0); ++index) {
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        if (EnumDisplaySettingsExW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode, 0)) {
            DisplayArea area;
            area.x = mode.dmPosition.x;
            area.y = mode.dmPosition.y;
            area.width = mode.dmPelsWidth;
            area.height = mode.dmPelsHeight;
            area.logPixels = mode.dmLogPixels;
            areas.push_back(area);
        }
        device = DISPLAY_DEVICEW{};
        device.cb = sizeof(device);
    }
    return areas;
}

}  // namespace ui
