// Functions of gdi32 in the native layer: device contexts, bitmaps, brushes, pens, fonts and text,
// drawn with cairo and pango. Each behaves as the installer expects of the real one.
//
// What is drawn and how:
// - Every device context draws into a cairo image surface of 32 bits per pixel: a window's surface
//   (posix/gdi_surface.h, which plays the screen) or the bitmap selected into a memory DC.
// - Shapes (rectangles, rounded rectangles, lines) are set pixel by pixel, without antialiasing,
//   following Windows' rasterisation: right and bottom edges are exclusive, a line leaves out its
//   last pixel.
// - Text goes through pango with grayscale antialiasing; "Microsoft Yahei" is served by
//   "WenQuanYi Micro Hei" (posix/fonts.h).
// - Only solid 1-pixel pens, solid brushes and SRCCOPY blits exist. There is no mapping mode,
//   clipping region or palette: coordinates are device pixels.
#pragma once

#include "platform/posix/win32_types.h"

// --- background modes, raster operations, errors ---
#define TRANSPARENT 1
#define OPAQUE 2
#define SRCCOPY 0x00CC0020u
#define CLR_INVALID 0xFFFFFFFFu
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

// --- stock objects (GetStockObject) ---
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// --- object types (GetObjectType) ---
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

// --- pens ---
#define PS_SOLID 0
#define PS_NULL 5

// --- fonts (CreateFontW) ---
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define GB2312_CHARSET 134
#define OUT_DEFAULT_PRECIS 0
#define OUT_OUTLINE_PRECIS 8
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0

// --- device-independent bitmaps ---
#define BI_RGB 0u
#define DIB_RGB_COLORS 0u

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: rows bottom-up; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

// --- device contexts ---
// A memory DC starts with a 1x1 monochrome bitmap, the white brush, the black pen, the system
// font, black text on white and OPAQUE.
HDC CreateCompatibleDC(HDC hdc);
// Memory DCs only; a window's DC goes back with EndPaint / ReleaseDC.
BOOL DeleteDC(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);  // returns the previous colour
int SetBkMode(HDC hdc, int mode);                // returns the previous mode; 0 on failure

// --- objects ---
HBRUSH CreateSolidBrush(COLORREF color);
// Only PS_SOLID and PS_NULL; widths other than 0 and 1 draw 1 pixel wide.
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);
HGDIOBJ GetStockObject(int index);
// Returns the object of the same kind that was selected before; NULL for anything that is not a
// pen, brush, font or (memory DCs only) bitmap that is free to select.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for unknown handles and for a bitmap still selected into a DC. Stock objects stay.
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
// Bitmaps only (BITMAP); returns the bytes written, 0 for other kinds.
int GetObjectW(HANDLE object, int size, LPVOID buffer);

// --- bitmaps and pixels ---
// 32 bits per pixel for a window's DC; the depth of the selected bitmap for a memory DC (1 bit
// while its default bitmap is selected, as on Windows).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// SRCCOPY only; both rectangles are clipped to their surfaces.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
COLORREF GetPixel(HDC hdc, int x, int y);  // CLR_INVALID outside the surface
// 32-bit BI_RGB rows (top-down for a negative biHeight). With bits NULL and biBitCount 0 it fills
// in the header instead. Returns the rows copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage);

// --- shapes (1-pixel pens, no antialiasing) ---
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
// From the current position up to, not including, (x, y); then (x, y) is the current position.
BOOL LineTo(HDC hdc, int x, int y);
// Outline with the pen, inside with the brush, covering left..right-1 x top..bottom-1; the corners
// are quarters of a cornerWidth x cornerHeight ellipse.
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int cornerWidth,
               int cornerHeight);
