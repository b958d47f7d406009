// Helpers for the window framework's tests in both builds: a drawing surface to read pixels back.
// Input and message pumping come from the window tests' helpers (window_test_support.h).
#pragma once

#include <string>

#include "platform/win32.h"

namespace uitest {

// A 32-bit bitmap selected into a memory DC, for painting functions to draw into.
class Canvas {
  public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc_; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    struct Screen;
    Screen* screen_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

std::string Describe(COLORREF colour);  // "(r, g, b)" for failure messages

}  // namespace uitest
