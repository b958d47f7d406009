// Helpers for the window framework's tests in both builds. Drawing surfaces come from the GDI
// tests' helpers (gdi_test_support.h: gditest::Canvas), input and message pumping from the window
// tests' helpers (window_test_support.h).
#pragma once

#include <string>

#include "platform/win32.h"

namespace uitest {

std::string Describe(COLORREF colour);  // "(r, g, b)" for failure messages

}  // namespace uitest
