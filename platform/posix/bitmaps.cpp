// Bitmaps: making them, copying pixels between DCs (BitBlt), reading them back (GetPixel,
// GetDIBits).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/gdi_objects.h"
#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace winlayer {
namespace gdi {

Bitmap::~Bitmap() {
    if (surface) cairo_surface_destroy(surface);
}

DWORD Bitmap::Type() const {
    return OBJ_BITMAP;
}

std::shared_ptr<Bitmap> NewBitmap(int width, int height, int bitsPerPixel) {
    cairo_surface_t* surface = NewSurface(width, height);
    if (!surface) return nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = surface;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitsPerPixel = bitsPerPixel;
    return bitmap;
}

namespace {

// A rectangle copy of width x height pixels from (sx, sy) to (dx, dy), cut down to the parts
// that lie on both surfaces.
struct Copy {
    int sx, sy, dx, dy, width, height;
    bool ClipTo(const Pixels& source, const Pixels& dest) {
        ClipAxis(sx, dx, width, source.Width(), dest.Width());
        ClipAxis(sy, dy, height, source.Height(), dest.Height());
        return width > 0 && height > 0;
    }
    static void ClipAxis(int& s, int& d, int& n, int sourceSize, int destSize) {
        int skip = std::max(std::max(0, -s), -d);
        s += skip;
        d += skip;
        n -= skip;
        n = std::min(n, std::min(sourceSize - s, destSize - d));
    }
};

void CopyPixels(const Pixels& source, Pixels& dest, const Copy& copy) {
    // Rows go through a buffer so that a copy within one surface may overlap itself.
    std::vector<uint32_t> rows(size_t(copy.width) * copy.height);
    for (int y = 0; y < copy.height; ++y)
        memcpy(&rows[size_t(y) * copy.width], source.Row(copy.sy + y) + copy.sx,
               size_t(copy.width) * 4);
    for (int y = 0; y < copy.height; ++y)
        memcpy(dest.Row(copy.dy + y) + copy.dx, &rows[size_t(y) * copy.width],
               size_t(copy.width) * 4);
}

// Fills the header as GetDIBits does when asked for the format only.
void DescribeBitmap(const Bitmap& bitmap, BITMAPINFOHEADER& header) {
    header.biWidth = bitmap.width;
    header.biHeight = bitmap.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(bitmap.width) * bitmap.height * 4;
}

}  // namespace
}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    auto dc = LookupDC(hdc);
    if (!dc) return nullptr;
    if (width < 0 || height < 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0) return static_cast<HBITMAP>(DefaultBitmap());
    // A window's DC is the screen (32 bits); a memory DC gives the depth of its bitmap.
    int bits = dc->memory && dc->bitmapObject ? dc->bitmapObject->bitsPerPixel : 32;
    auto bitmap = NewBitmap(width, height, bits);
    if (!bitmap) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return static_cast<HBITMAP>(AddHandle(HandleKind::Gdi, bitmap));
}

BOOL BitBlt(HDC destDC, int x, int y, int width, int height, HDC sourceDC, int sourceX, int sourceY,
            DWORD rop) {
    auto dest = LookupDC(destDC);
    auto source = LookupDC(sourceDC);
    if (!dest || !source) return FALSE;
    if (rop != SRCCOPY) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Pixels from(source->Target());
    Pixels to(dest->Target());
    if (!from.Valid() || !to.Valid()) return FALSE;
    Copy copy{sourceX, sourceY, x, y, width, height};
    if (copy.ClipTo(from, to)) CopyPixels(from, to, copy);
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    Pixels pixels(dc->Target());
    if (!pixels.Valid() || !pixels.Inside(x, y)) return CLR_INVALID;
    return ColorOf(pixels.Get(x, y));
}

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
    auto bitmap = Lookup<Bitmap>(handle);
    if (!LookupDC(hdc) || !bitmap || !info || usage != DIB_RGB_COLORS) return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (!bits) {
        if (header.biBitCount == 0) DescribeBitmap(*bitmap, header);
        return bitmap->height;
    }
    if (header.biBitCount != 32 || header.biCompression != BI_RGB) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Pixels pixels(bitmap->surface);
    if (!pixels.Valid() || start >= UINT(bitmap->height)) return 0;
    UINT count = std::min(lines, UINT(bitmap->height) - start);
    bool topDown = header.biHeight < 0;
    auto* out = static_cast<uint32_t*>(bits);
    for (UINT i = 0; i < count; ++i) {
        // Line numbers count from the first row of the DIB: the bottom one unless top-down.
        int line = int(start + i);
        const uint32_t* row = pixels.Row(topDown ? line : bitmap->height - 1 - line);
        for (int x = 0; x < bitmap->width; ++x) out[x] = row[x] & 0xFFFFFF;
        out += bitmap->width;
    }
    return int(count);
}
