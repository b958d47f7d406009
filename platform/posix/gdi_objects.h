// The GDI objects of the native layer behind their handles (HandleKind::Gdi): pens, brushes,
// fonts, bitmaps, icons and device contexts, and the pixel access that drawing shares. Not for
// code outside platform/.
//
// Every bitmap is a cairo image surface of 32 bits per pixel (CAIRO_FORMAT_RGB24: 0x00RRGGBB);
// bitsPerPixel only records the depth Windows would give it. A device context draws into its
// window's surface or into the bitmap selected into it.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/posix/handles.h"
#include "platform/posix/win32_types.h"

typedef struct _PangoFontDescription PangoFontDescription;

namespace winlayer {
namespace gdi {

struct GdiObject : Object {
    bool stock = false;              // made by the layer; DeleteObject leaves it
    virtual DWORD Type() const = 0;  // OBJ_PEN, OBJ_BRUSH, ...
};

struct Pen : GdiObject {
    int style = 0;  // PS_SOLID or PS_NULL
    COLORREF color = 0;
    DWORD Type() const override;
};

struct Brush : GdiObject {
    bool hollow = false;  // NULL_BRUSH
    COLORREF color = 0;
    DWORD Type() const override;
};

struct Font : GdiObject {
    PangoFontDescription* description = nullptr;  // family, weight, style, absolute size
    int ascent = 0, descent = 0;                  // cell metrics in pixels, as tmAscent/tmDescent
    bool underline = false;
    ~Font() override;
    DWORD Type() const override;
};

struct Bitmap : GdiObject {
    cairo_surface_t* surface = nullptr;  // owned
    int width = 0, height = 0, bitsPerPixel = 32;
    HDC selectedInto = nullptr;  // the memory DC holding it, if any
    ~Bitmap() override;
    DWORD Type() const override;
};

struct Icon : GdiObject {
    std::string path;  // the .ico file it came from
    DWORD Type() const override;
};

struct DeviceContext : GdiObject {
    bool memory = false;
    cairo_surface_t* window = nullptr;  // a window's surface (referenced), when not memory
    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr, bitmap = nullptr;
    std::shared_ptr<Pen> penObject;
    std::shared_ptr<Brush> brushObject;
    std::shared_ptr<Font> fontObject;
    std::shared_ptr<Bitmap> bitmapObject;  // memory DCs
    COLORREF textColor = 0, backgroundColor = 0xFFFFFF;
    int backgroundMode = 2;  // OPAQUE
    POINT position = {0, 0};
    ~DeviceContext() override;
    DWORD Type() const override;
    cairo_surface_t* Target() const;  // where drawing goes
};

// The object behind a handle when it is of type T; null (and ERROR_INVALID_HANDLE) otherwise.
template <class T>
std::shared_ptr<T> Lookup(const void* handle) {
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(HandleKind::Gdi, handle));
    if (!object) SetError(ERROR_INVALID_HANDLE);
    return object;
}
inline std::shared_ptr<DeviceContext> LookupDC(HDC dc) {
    return Lookup<DeviceContext>(dc);
}

// The stock objects, made on first use: GetStockObject's values and a DC's defaults.
HGDIOBJ Stock(int index);
HGDIOBJ DefaultBitmap();  // the 1x1 monochrome bitmap of a new memory DC

// A 32-bit RGB24 image surface, black; null when cairo cannot make one.
cairo_surface_t* NewSurface(int width, int height);
// A black bitmap of that size over a new surface (bitsPerPixel as Windows would report it); null
// when the surface cannot be made.
std::shared_ptr<Bitmap> NewBitmap(int width, int height, int bitsPerPixel);

// Direct pixel access to a surface for pixel-exact drawing. Writes are clipped to the surface;
// the surface is told of them when the Pixels goes.
class Pixels {
  public:
    explicit Pixels(cairo_surface_t* surface);
    ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    bool Valid() const { return data_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    uint32_t* Row(int y) const { return data_ + size_t(y) * stride_; }
    uint32_t Get(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, uint32_t pixel) {
        if (Inside(x, y)) Row(y)[x] = pixel;
    }
    // Fills left..right-1 x top..bottom-1.
    void Fill(int left, int top, int right, int bottom, uint32_t pixel);

  private:
    cairo_surface_t* surface_;
    uint32_t* data_ = nullptr;
    int width_ = 0, height_ = 0, stride_ = 0;  // stride in pixels
};

inline uint32_t PixelOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline COLORREF ColorOf(uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

}  // namespace gdi
}  // namespace winlayer
