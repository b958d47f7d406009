// Times one full paint of the installer's 500 x 310 window over the native GDI layer, the way the
// window procedure paints on WM_PAINT: a back buffer, the background picture, the texts, the
// progress bar and the close box, then one copy to the window. Prints the time per paint.
//
// Usage: gdi_paint_bench [paints]   (default 1000)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/gdi_surface.h"
#include "platform/win32.h"

namespace {

const int kWidth = 500, kHeight = 310;

HFONT ProductFont(int height) {
    return CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                       L"Microsoft Yahei");
}

// The background picture, made once as the program loads it once.
HBITMAP MakeBackground(HDC screen) {
    HBITMAP picture = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, picture);
    for (int y = 0; y < kHeight; y += 10) {
        HBRUSH band = CreateSolidBrush(RGB(20, 60 + y / 3, 160));
        RECT r = {0, y, kWidth, y + 10};
        FillRect(dc, &r, band);
        DeleteObject(band);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return picture;
}

void DrawText(HDC dc, HFONT font, const wchar_t* text, RECT r, UINT format) {
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, text, -1, &r, format);
    SelectObject(dc, previous);
}

void DrawProgress(HDC dc) {
    HPEN trackPen = CreatePen(PS_SOLID, 1, RGB(200, 200, 200));
    HBRUSH trackBrush = CreateSolidBrush(RGB(235, 235, 235));
    HGDIOBJ oldPen = SelectObject(dc, trackPen), oldBrush = SelectObject(dc, trackBrush);
    RoundRect(dc, 33, 230, 467, 245, 12, 12);
    HPEN barPen = CreatePen(PS_SOLID, 1, RGB(0, 120, 215));
    HBRUSH barBrush = CreateSolidBrush(RGB(0, 120, 215));
    SelectObject(dc, barPen);
    SelectObject(dc, barBrush);
    RoundRect(dc, 36, 233, 300, 242, 5, 5);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    for (HGDIOBJ o : {HGDIOBJ(trackPen), HGDIOBJ(trackBrush), HGDIOBJ(barPen), HGDIOBJ(barBrush)})
        DeleteObject(o);
}

void DrawCloseBox(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 484, 8, nullptr);
    LineTo(dc, 493, 17);
    MoveToEx(dc, 484, 16, nullptr);
    LineTo(dc, 493, 7);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void Paint(HDC paintDC, HBITMAP background, HFONT title, HFONT body, HFONT small) {
    SetBkMode(paintDC, TRANSPARENT);
    HDC memDC = CreateCompatibleDC(paintDC);
    HBITMAP bmp = CreateCompatibleBitmap(paintDC, kWidth, kHeight);
    HGDIOBJ oldBitmap = SelectObject(memDC, bmp);

    HDC pictureDC = CreateCompatibleDC(paintDC);
    HGDIOBJ oldPicture = SelectObject(pictureDC, background);
    BitBlt(memDC, 0, 0, kWidth, kHeight, pictureDC, 0, 0, SRCCOPY);
    SelectObject(pictureDC, oldPicture);
    DeleteDC(pictureDC);

    SetBkMode(memDC, TRANSPARENT);
    SetTextColor(memDC, RGB(255, 255, 255));
    DrawText(memDC, title, L"\x5B89\x88C5 Example Trader", {20, 40, 480, 80},
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DrawText(memDC, body, L"C:\\Program Files\\Example Trading Company\\Desktop Client",
             {33, 200, 400, 225}, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    DrawText(memDC, small, L"\x6D4F\x89C8\x6587\x4EF6\x5939", {400, 200, 467, 225},
             DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    DrawText(memDC, small, L"Downloading 42%", {33, 250, 467, 275},
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    HBRUSH frame = CreateSolidBrush(RGB(0, 90, 180));
    RECT button = {180, 270, 320, 300};
    FillRect(memDC, &button, frame);
    FrameRect(memDC, &button, frame);
    DeleteObject(frame);
    DrawProgress(memDC);
    DrawCloseBox(memDC);

    BitBlt(paintDC, 0, 0, kWidth, kHeight, memDC, 0, 0, SRCCOPY);
    SelectObject(memDC, oldBitmap);
    DeleteDC(memDC);
    DeleteObject(bmp);
}

}  // namespace

int main(int argc, char** argv) {
    int paints = argc > 1 ? atoi(argv[1]) : 1000;
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    HDC paintDC = winlayer::CreateSurfaceDC(window);
    HBITMAP background = MakeBackground(paintDC);
    HFONT title = ProductFont(27), body = ProductFont(20), small = ProductFont(18);

    Paint(paintDC, background, title, body, small);  // fonts and glyph caches warm up
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < paints; ++i) Paint(paintDC, background, title, body, small);
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    printf("%d paints of %dx%d: %.1f us per paint\n", paints, kWidth, kHeight,
           spent.count() / paints);
    if (argc > 2) cairo_surface_write_to_png(window, argv[2]);  // to look at the last paint

    for (HGDIOBJ o : {HGDIOBJ(background), HGDIOBJ(title), HGDIOBJ(body), HGDIOBJ(small)})
        DeleteObject(o);
    winlayer::ReleaseSurfaceDC(paintDC);
    cairo_surface_destroy(window);
    return 0;
}
