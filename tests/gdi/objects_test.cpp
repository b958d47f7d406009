// GDI objects: selecting returns the previous object of the same kind, deleting, handle kinds.
#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "win_test_support.h"

namespace {

using gditest::Canvas;
using gditest::ScreenDC;

TEST(GdiObjects, SelectObjectReturnsThePreviousObjectOfItsKind) {
    ScreenDC screen;
    HDC dc = CreateCompatibleDC(screen.Get());
    ASSERT_NE(dc, nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HFONT font = CreateFontW(18, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             VARIABLE_PITCH, L"Microsoft Yahei");
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), 8, 8);
    ASSERT_TRUE(pen && brush && font && bitmap);

    // A new DC holds the black pen, the white brush and a 1x1 monochrome bitmap.
    HGDIOBJ firstPen = SelectObject(dc, pen);
    EXPECT_EQ(firstPen, GetStockObject(BLACK_PEN));
    HGDIOBJ firstBrush = SelectObject(dc, brush);
    EXPECT_EQ(firstBrush, GetStockObject(WHITE_BRUSH));
    HGDIOBJ firstFont = SelectObject(dc, font);
    EXPECT_NE(firstFont, nullptr);
    HGDIOBJ firstBitmap = SelectObject(dc, bitmap);
    ASSERT_NE(firstBitmap, nullptr);
    BITMAP info = {};
    ASSERT_EQ(GetObjectW(firstBitmap, sizeof(info), &info), int(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);

    // Selecting back gives each new object in turn.
    EXPECT_EQ(SelectObject(dc, firstPen), pen);
    EXPECT_EQ(SelectObject(dc, firstBrush), brush);
    EXPECT_EQ(SelectObject(dc, firstFont), font);
    EXPECT_EQ(SelectObject(dc, firstBitmap), bitmap);

    EXPECT_TRUE(DeleteDC(dc));
    for (HGDIOBJ object : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(font), HGDIOBJ(bitmap)})
        EXPECT_TRUE(DeleteObject(object));
}

TEST(GdiObjects, CompatibleBitmapsOfTheScreenHave32BitsAndTheirSize) {
    ScreenDC screen;
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), 500, 310);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(info), &info), int(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 500);
    EXPECT_EQ(info.bmHeight, 310);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectType(bitmap), DWORD(OBJ_BITMAP));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiObjects, DeleteObjectFailsForHandlesThatAreNotLiveObjects) {
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    ASSERT_NE(brush, nullptr);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));  // already gone
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(0x1234))));
}

TEST(GdiObjects, ObjectsOfAnotherKindAreRefused) {
    Canvas canvas(4, 4);
    ScreenDC screen;
    HDC other = CreateCompatibleDC(screen.Get());
    // A DC is no brush, pen or font; a brush is no DC. Wine's FillRect reports success whatever
    // it was given (and draws nothing), so only the drawing is checked there.
    RECT all = {0, 0, 4, 4};
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    int wrongBrush = FillRect(canvas.Dc(), &all, reinterpret_cast<HBRUSH>(other));
    int wrongDc = FillRect(reinterpret_cast<HDC>(brush), &all, brush);
    if (!wintest::UnderWine()) {
        EXPECT_FALSE(wrongBrush);
        EXPECT_FALSE(wrongDc);
    }
    EXPECT_EQ(SelectObject(canvas.Dc(), other), nullptr);
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(brush), 0, 0), CLR_INVALID);
    // Nothing was drawn.
    EXPECT_EQ(canvas.InkCount(RGB(255, 255, 255)), 0);
    DeleteObject(brush);
    DeleteDC(other);
}

TEST(GdiObjects, BitmapSelectedIntoOneMemoryDcCannotGoIntoAnother) {
    ScreenDC screen;
    HDC first = CreateCompatibleDC(screen.Get()), second = CreateCompatibleDC(screen.Get());
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), 4, 4);
    HGDIOBJ previous = SelectObject(first, bitmap);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    // Free again once the first DC lets go of it.
    SelectObject(first, previous);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    DeleteDC(first);
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiObjects, TextColourAndBackgroundModeReturnThePreviousValue) {
    ScreenDC screen;
    HDC dc = CreateCompatibleDC(screen.Get());
    EXPECT_EQ(SetTextColor(dc, RGB(10, 20, 30)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(dc, RGB(1, 1, 1)), RGB(10, 20, 30));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(screen.Get(), TRANSPARENT), OPAQUE);
    DeleteDC(dc);
}

#ifndef _WIN32
// Our table hands freed GDI values out again so that every paint reuses a few slots (Windows
// reuses slots too but changes the value's upper bits, so this holds natively only).
TEST(GdiObjects, HandleValuesAreReusedAfterDeleteObject) {
    HBRUSH first = CreateSolidBrush(RGB(1, 1, 1));
    ASSERT_TRUE(DeleteObject(first));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(2, 2, 2));
    EXPECT_EQ(static_cast<void*>(pen), static_cast<void*>(first));
    EXPECT_TRUE(DeleteObject(pen));
}
#endif

}  // namespace
