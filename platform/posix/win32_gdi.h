// Functions of gdi32 in the native layer: device contexts, bitmaps, brushes, pens, fonts and text,
// drawn with cairo and pango. Each behaves as the installer expects of the real one.
#pragma once

#include "platform/posix/win32_types.h"
