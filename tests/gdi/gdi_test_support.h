// Helpers for the GDI tests, which run natively over our layer and under Wine over its gdi32.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace gditest {

// A DC that stands for the screen, for CreateCompatibleBitmap: GetDC(NULL) on Windows, a DC over a
// window-like surface of the test's own natively (there are no windows here).
class ScreenDC {
  public:
    ScreenDC();
    ~ScreenDC();
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_ = nullptr;
    void* surface_ = nullptr;  // native build: the cairo surface behind the DC
};

// A memory DC with a 32-bit bitmap of the screen's kind selected, filled with one colour: the
// paint sequence's back buffer.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // All pixels, top row first, as COLORREF values (read with GetDIBits).
    std::vector<COLORREF> Pixels() const;
    // An area as text, one line per row and one character per pixel: the legend's character for
    // a known colour, '?' for any other.
    std::string Map(const RECT& area, const std::vector<std::pair<COLORREF, char>>& legend) const;
    // The smallest rectangle holding every pixel that is not the background colour (empty when
    // there is none).
    RECT InkBox(COLORREF background) const;
    // Pixels that differ from the background.
    int InkCount(COLORREF background) const;
    // Writes a PNG of the canvas into $OBJSTORE_GDI_PNG_DIR (a host folder) as
    // <build>-<name>.png, <build> being "native" or "wine"; nothing without the variable.
    void SavePngIfAsked(const std::string& name) const;

  private:
    ScreenDC screen_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_, height_;
};

// A whole map with rows joined by newlines, for tables of expected pictures.
std::string Rows(const std::vector<std::string>& rows);

}  // namespace gditest
