// Helpers for the window framework's tests in both builds: a drawing surface to read pixels back,
// the cursor, and pumping the thread's messages.
#pragma once

#include <functional>
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

// Moves the cursor to a screen position; the window under it gets its mouse move.
void MoveCursor(int screenX, int screenY);
// Dispatches every queued message of this thread (paints included) until none is left.
void PumpMessages();
// Pumps until done() holds or timeoutMs passed (input of a real display arrives a little later).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000);

std::string Describe(COLORREF colour);  // "(r, g, b)" for failure messages

}  // namespace uitest
