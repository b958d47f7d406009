#include "ui_test_support.h"

#include <cstdio>

namespace uitest {

std::string Describe(COLORREF colour) {
    char text[40];
    snprintf(text, sizeof text, "(%d, %d, %d)", GetRValue(colour), GetGValue(colour),
             GetBValue(colour));
    return text;
}

}  // namespace uitest
