// Where the dialog goes: centred horizontally on the monitor under the cursor and vertically on the
// primary screen's height. The rule is a plain function over the monitors' current settings; the
// enumeration of the display devices is a thin wrapper.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace ui {

constexpr int kDialogWidth = 500;
constexpr int kDialogHeight = 310;

// One display device's current settings, as EnumDisplaySettingsExW reports them.
struct DisplayArea {
    LONG x = 0, y = 0;
    DWORD width = 0, height = 0;
    DWORD logPixels = 96;
};

// The dialog's top-left corner for the cursor, the devices in enumeration order and the primary
// screen's height. Devices above 96 DPI count in 96-DPI units.
POINT DialogOrigin(POINT cursor, const std::vector<DisplayArea>& devices, int screenHeight);

// The current settings of every display device whose settings can be read.
std::vector<DisplayArea> CurrentDisplayAreas();

}  // namespace ui
