// Pens, brushes and the stock objects; selecting and deleting any GDI object; pixel access.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/fonts.h"
#include "platform/posix/gdi_objects.h"
#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace winlayer {
namespace gdi {

DWORD Pen::Type() const {
    return OBJ_PEN;
}
DWORD Brush::Type() const {
    return OBJ_BRUSH;
}

namespace {

HGDIOBJ AddStock(std::shared_ptr<GdiObject> object) {
    object->stock = true;
    return AddHandle(HandleKind::Gdi, std::move(object));
}

HGDIOBJ StockBrush(COLORREF color, bool hollow) {
    auto brush = std::make_shared<Brush>();
    brush->color = color;
    brush->hollow = hollow;
    return AddStock(brush);
}

HGDIOBJ StockPen(COLORREF color, int style) {
    auto pen = std::make_shared<Pen>();
    pen->color = color;
    pen->style = style;
    return AddStock(pen);
}

HGDIOBJ StockFont(int height) {
    FontRequest request;
    request.height = height;
    request.face = L"Microsoft Yahei";
    return AddStock(MakeFont(request));
}

struct StockObjects {
    HGDIOBJ objects[DEFAULT_GUI_FONT + 1] = {};
    HGDIOBJ bitmap = nullptr;
};

// Made once, never deleted: DCs of every thread select them.
const StockObjects& Stocks() {
    static const StockObjects* stocks = [] {
        auto* s = new StockObjects;
        s->objects[WHITE_BRUSH] = StockBrush(RGB(255, 255, 255), false);
        s->objects[LTGRAY_BRUSH] = StockBrush(RGB(192, 192, 192), false);
        s->objects[GRAY_BRUSH] = StockBrush(RGB(128, 128, 128), false);
        s->objects[DKGRAY_BRUSH] = StockBrush(RGB(64, 64, 64), false);
        s->objects[BLACK_BRUSH] = StockBrush(RGB(0, 0, 0), false);
        s->objects[NULL_BRUSH] = StockBrush(0, true);
        s->objects[WHITE_PEN] = StockPen(RGB(255, 255, 255), PS_SOLID);
        s->objects[BLACK_PEN] = StockPen(RGB(0, 0, 0), PS_SOLID);
        s->objects[NULL_PEN] = StockPen(0, PS_NULL);
        s->objects[SYSTEM_FONT] = StockFont(16);
        s->objects[DEFAULT_GUI_FONT] = StockFont(-12);
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->surface = NewSurface(1, 1);
        bitmap->width = bitmap->height = 1;
        bitmap->bitsPerPixel = 1;
        s->bitmap = AddStock(bitmap);
        return s;
    }();
    return *stocks;
}

// Puts object into the DC's slot of its kind and returns what was there.
template <class T>
HGDIOBJ Swap(HGDIOBJ& slot, std::shared_ptr<T>& held, HGDIOBJ handle, std::shared_ptr<T> object) {
    HGDIOBJ previous = slot;
    slot = handle;
    held = std::move(object);
    return previous;
}

HGDIOBJ SelectBitmap(HDC dc, DeviceContext& context, HGDIOBJ handle,
                     std::shared_ptr<Bitmap> bitmap) {
    // A bitmap lives in one memory DC at a time; the stock default one in any number.
    if (!context.memory || (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != dc)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (context.bitmapObject && !context.bitmapObject->stock)
        context.bitmapObject->selectedInto = nullptr;
    if (!bitmap->stock) bitmap->selectedInto = dc;
    return Swap(context.bitmap, context.bitmapObject, handle, std::move(bitmap));
}

}  // namespace

HGDIOBJ Stock(int index) {
    if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
    return Stocks().objects[index];
}

HGDIOBJ DefaultBitmap() {
    return Stocks().bitmap;
}

namespace {

// Pixel buffers of deleted bitmaps, kept for the next bitmap of the same size. Every paint makes
// and deletes a window-sized back buffer; fresh memory for it each time costs the kernel more
// (page faults after the heap gave the pages back) than the whole paint.
struct PixelBuffer {
    size_t bytes;
    unsigned char* data;
};
struct BufferPool {
    std::mutex mutex;
    std::vector<PixelBuffer*> kept;
};
constexpr size_t kKeptBuffers = 4;
cairo_user_data_key_t bufferKey;

BufferPool& Pool() {
    static BufferPool* pool = new BufferPool;  // bitmaps may be deleted by static destructors
    return *pool;
}

PixelBuffer* TakeBuffer(size_t bytes) {
    {
        std::lock_guard<std::mutex> lock(Pool().mutex);
        auto& kept = Pool().kept;
        for (auto it = kept.begin(); it != kept.end(); ++it) {
            if ((*it)->bytes != bytes) continue;
            PixelBuffer* buffer = *it;
            kept.erase(it);
            memset(buffer->data, 0, bytes);  // a new bitmap starts black, as cairo's do
            return buffer;
        }
    }
    auto* data = static_cast<unsigned char*>(calloc(bytes, 1));
    return data ? new PixelBuffer{bytes, data} : nullptr;
}

void GiveBackBuffer(void* released) {
    auto* buffer = static_cast<PixelBuffer*>(released);
    {
        std::lock_guard<std::mutex> lock(Pool().mutex);
        if (Pool().kept.size() < kKeptBuffers) {
            Pool().kept.push_back(buffer);
            return;
        }
    }
    free(buffer->data);
    delete buffer;
}

}  // namespace

cairo_surface_t* NewSurface(int width, int height) {
    int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    if (width <= 0 || height <= 0 || stride <= 0) return nullptr;
    PixelBuffer* buffer = TakeBuffer(size_t(stride) * size_t(height));
    if (!buffer) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(buffer->data, CAIRO_FORMAT_RGB24,
                                                                   width, height, stride);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_set_user_data(surface, &bufferKey, buffer, GiveBackBuffer) ==
            CAIRO_STATUS_SUCCESS)
        return surface;
    cairo_surface_destroy(surface);
    GiveBackBuffer(buffer);
    return nullptr;
}

Pixels::Pixels(cairo_surface_t* surface) : surface_(surface) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return;
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) return;
    cairo_surface_flush(surface);  // cairo's pending drawing lands before we touch the pixels
    data_ = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    width_ = cairo_image_surface_get_width(surface);
    height_ = cairo_image_surface_get_height(surface);
    stride_ = cairo_image_surface_get_stride(surface) / 4;
}

Pixels::~Pixels() {
    if (data_) cairo_surface_mark_dirty(surface_);
}

void Pixels::Fill(int left, int top, int right, int bottom, uint32_t pixel) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > width_) right = width_;
    if (bottom > height_) bottom = height_;
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = Row(y);
        for (int x = left; x < right; ++x) row[x] = pixel;
    }
}

}  // namespace gdi
}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<Brush>();
    brush->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(AddHandle(HandleKind::Gdi, brush));
}

HPEN CreatePen(int style, int, COLORREF color) {
    if (style != PS_SOLID && style != PS_NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_shared<Pen>();
    pen->style = style;
    pen->color = color & 0xFFFFFF;
    return static_cast<HPEN>(AddHandle(HandleKind::Gdi, pen));
}

HGDIOBJ GetStockObject(int index) {
    return Stock(index);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    auto dc = LookupDC(hdc);
    auto object = Lookup<GdiObject>(handle);
    if (!dc || !object) return nullptr;
    if (auto pen = std::dynamic_pointer_cast<Pen>(object))
        return Swap(dc->pen, dc->penObject, handle, pen);
    if (auto brush = std::dynamic_pointer_cast<Brush>(object))
        return Swap(dc->brush, dc->brushObject, handle, brush);
    if (auto font = std::dynamic_pointer_cast<Font>(object))
        return Swap(dc->font, dc->fontObject, handle, font);
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object))
        return SelectBitmap(hdc, *dc, handle, bitmap);
    SetError(ERROR_INVALID_HANDLE);  // a DC or an icon
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
    auto object = std::dynamic_pointer_cast<GdiObject>(LookupHandle(HandleKind::Gdi, handle));
    if (!object || object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC ||
        dynamic_cast<Icon*>(object.get())) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;
    auto bitmap = std::dynamic_pointer_cast<Bitmap>(object);
    if (bitmap && bitmap->selectedInto) return FALSE;  // still drawn into
    return RemoveHandle(HandleKind::Gdi, handle) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ handle) {
    auto object = Lookup<GdiObject>(handle);
    return object ? object->Type() : 0;
}

int GetObjectW(HANDLE handle, int size, LPVOID buffer) {
    auto bitmap = Lookup<Bitmap>(handle);
    if (!bitmap) return 0;
    if (!buffer) return int(sizeof(BITMAP));
    if (size < int(sizeof(BITMAP))) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAP info = {};
    info.bmWidth = bitmap->width;
    info.bmHeight = bitmap->height;
    // Rows of a device bitmap are padded to 16 bits.
    info.bmWidthBytes = ((bitmap->width * bitmap->bitsPerPixel + 15) / 16) * 2;
    info.bmPlanes = 1;
    info.bmBitsPixel = WORD(bitmap->bitsPerPixel);
    *static_cast<BITMAP*>(buffer) = info;
    return int(sizeof(BITMAP));
}
