#include "ui_test_support.h"

#include <cstdio>

#ifndef _WIN32
#include <cairo.h>

#include "platform/posix/gdi_surface.h"
#endif

namespace uitest {

// The DC that stands for the screen: compatible bitmaps made from it have the screen's 32 bits.
#ifdef _WIN32
struct Canvas::Screen {
    HDC dc = GetDC(nullptr);
    ~Screen() { ReleaseDC(nullptr, dc); }
};
#else
struct Canvas::Screen {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    HDC dc = winlayer::CreateSurfaceDC(surface);
    ~Screen() {
        winlayer::ReleaseSurfaceDC(dc);
        cairo_surface_destroy(surface);
    }
};
#endif

Canvas::Canvas(int width, int height) : screen_(new Screen) {
    dc_ = CreateCompatibleDC(screen_->dc);
    bitmap_ = CreateCompatibleBitmap(screen_->dc, width, height);
    previous_ = SelectObject(dc_, bitmap_);
}

Canvas::~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    delete screen_;
}

std::string Describe(COLORREF colour) {
    char text[40];
    snprintf(text, sizeof text, "(%d, %d, %d)", GetRValue(colour), GetGValue(colour),
             GetBValue(colour));
    return text;
}

}  // namespace uitest
