// Where the window half of the native layer meets its GDI half: a window's pixels are a cairo image
// surface (CAIRO_FORMAT_RGB24, the client size) that the window owns; BeginPaint and GetDC hand out
// a device context that draws into it. Not for code outside platform/.
#pragma once

#include <cairo.h>

#include "platform/posix/win32_types.h"

namespace winlayer {

// A device context drawing into target (which it references until released): origin at the
// surface's top-left, no clipping beyond the surface, default objects selected (white brush, black
// pen, the system font), text colour black, background white and OPAQUE.
HDC CreateSurfaceDC(cairo_surface_t* target);
// Releases a context made by CreateSurfaceDC; its selected objects stay with their owners.
BOOL ReleaseSurfaceDC(HDC dc);

}  // namespace winlayer
