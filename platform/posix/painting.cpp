// Painting: what needs painting (the update rectangle of each window), BeginPaint/EndPaint and
// GetDC/ReleaseDC over the window's cairo surface, and the copy of the finished picture that
// SaveWindowPng reads.
#include <algorithm>
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/gdi_surface.h"
#include "platform/posix/window_system.h"

namespace winlayer {

bool NeedsPaint(const Window& window) {
    return window.updatePending && OnScreen(window) && window.Width() > 0 && window.Height() > 0;
}

cairo_surface_t* WindowSurface(Window& window) {
    int width = std::max<LONG>(window.Width(), 1), height = std::max<LONG>(window.Height(), 1);
    if (window.surface && (cairo_image_surface_get_width(window.surface) != width ||
                           cairo_image_surface_get_height(window.surface) != height)) {
        cairo_surface_destroy(window.surface);
        window.surface = nullptr;
    }
    if (!window.surface)
        window.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    return window.surface;
}

cairo_surface_t* PaintSurface(HWND handle) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    return window && !window->desktop ? WindowSurface(*window) : nullptr;
}

}  // namespace winlayer

using namespace winlayer;

namespace {

// Copies what the window's thread drew, so pictures never read a surface while it is drawn on.
void PublishPicture(HWND handle, bool endsPaint) {
    WindowSystem& system = Windows();
    std::lock_guard<std::mutex> lock(system.mutex);
    auto window = LookupWindow(handle);
    if (!window || !window->surface) return;
    cairo_surface_flush(window->surface);
    int width = cairo_image_surface_get_width(window->surface);
    int height = cairo_image_surface_get_height(window->surface);
    if (window->shown && (cairo_image_surface_get_width(window->shown) != width ||
                          cairo_image_surface_get_height(window->shown) != height)) {
        cairo_surface_destroy(window->shown);
        window->shown = nullptr;
    }
    if (!window->shown)
        window->shown = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(window->shown);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, window->surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    if (endsPaint) ++window->paintsEnded;
    system.observers.notify_all();
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (out.left >= out.right || out.top >= out.bottom) out = RECT{0, 0, 0, 0};
    return out;
}

RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

}  // namespace

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    cairo_surface_t* target;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window || window->desktop || !paint) return nullptr;
        *paint = PAINTSTRUCT{};
        paint->rcPaint = window->updatePending ? window->update : RECT{0, 0, 0, 0};
        window->updatePending = false;
        target = WindowSurface(*window);
        cairo_surface_reference(target);
    }
    paint->hdc = CreateSurfaceDC(target);
    cairo_surface_destroy(target);
    return paint->hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    if (!paint) return FALSE;
    if (paint->hdc) ReleaseSurfaceDC(paint->hdc);
    PublishPicture(handle, true);
    return TRUE;
}

// Without a window: a context for measuring, over a surface of its own.
HDC GetDC(HWND handle) {
    cairo_surface_t* target;
    if (!handle) {
        target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    } else {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window || window->desktop) return nullptr;
        target = cairo_surface_reference(WindowSurface(*window));
    }
    HDC dc = CreateSurfaceDC(target);
    cairo_surface_destroy(target);
    return dc;
}

int ReleaseDC(HWND handle, HDC dc) {
    if (!dc || !ReleaseSurfaceDC(dc)) return 0;
    if (handle) PublishPicture(handle, false);
    return 1;
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window) return FALSE;
    if (window->desktop) return TRUE;
    RECT client{0, 0, window->Width(), window->Height()};
    RECT area = rect ? Intersect(*rect, client) : client;
    if (area.right <= area.left) return TRUE;
    window->update = window->updatePending ? Union(window->update, area) : area;
    window->updatePending = true;
    window->queue->wake.notify_all();
    return TRUE;
}

BOOL UpdateWindow(HWND handle) {
    bool due;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window) return FALSE;
        due = NeedsPaint(*window);
    }
    if (due) SendMessageW(handle, WM_PAINT, 0, 0);
    return TRUE;
}
