// Device contexts: a window's (over its surface) and memory DCs (over a selected bitmap), with the
// colours and modes that drawing reads.
#include "platform/posix/errors.h"
#include "platform/posix/gdi_objects.h"
#include "platform/posix/gdi_surface.h"
#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace winlayer {
namespace gdi {

DeviceContext::~DeviceContext() {
    if (window) cairo_surface_destroy(window);
    if (bitmapObject && !bitmapObject->stock) bitmapObject->selectedInto = nullptr;
}

DWORD DeviceContext::Type() const {
    return memory ? OBJ_MEMDC : OBJ_DC;
}

cairo_surface_t* DeviceContext::Target() const {
    if (!memory) return window;
    return bitmapObject ? bitmapObject->surface : nullptr;
}

namespace {

// A DC with the default objects and colours of a new one.
std::shared_ptr<DeviceContext> NewContext() {
    auto dc = std::make_shared<DeviceContext>();
    dc->pen = Stock(BLACK_PEN);
    dc->penObject = Lookup<Pen>(dc->pen);
    dc->brush = Stock(WHITE_BRUSH);
    dc->brushObject = Lookup<Brush>(dc->brush);
    dc->font = Stock(SYSTEM_FONT);
    dc->fontObject = Lookup<Font>(dc->font);
    return dc;
}

}  // namespace
}  // namespace gdi

HDC CreateSurfaceDC(cairo_surface_t* target) {
    if (!gdi::Pixels(target).Valid()) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto dc = gdi::NewContext();
    dc->window = cairo_surface_reference(target);
    return static_cast<HDC>(AddHandle(HandleKind::Gdi, dc));
}

BOOL ReleaseSurfaceDC(HDC hdc) {
    auto dc = gdi::LookupDC(hdc);
    if (!dc || dc->memory) return FALSE;
    return RemoveHandle(HandleKind::Gdi, hdc) ? TRUE : FALSE;
}

}  // namespace winlayer

using namespace winlayer;
using namespace winlayer::gdi;

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !LookupDC(hdc)) return nullptr;
    auto dc = NewContext();
    dc->memory = true;
    dc->bitmap = DefaultBitmap();
    dc->bitmapObject = Lookup<Bitmap>(dc->bitmap);
    return static_cast<HDC>(AddHandle(HandleKind::Gdi, dc));
}

BOOL DeleteDC(HDC hdc) {
    auto dc = LookupDC(hdc);
    if (!dc || !dc->memory) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The selected objects stay with their owners; the bitmap is free to select elsewhere.
    if (dc->bitmapObject && !dc->bitmapObject->stock) dc->bitmapObject->selectedInto = nullptr;
    return RemoveHandle(HandleKind::Gdi, hdc) ? TRUE : FALSE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    auto dc = LookupDC(hdc);
    if (!dc) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}
