// A stand-in for the device contexts of the GDI half, which replaces this file: a context that
// holds its target surface and draws nothing, so that painting through BeginPaint/EndPaint works
// before drawing does.
#include <memory>

#include "platform/posix/gdi_surface.h"
#include "platform/posix/handles.h"

namespace winlayer {
namespace {

struct SurfaceContext : Object {
    explicit SurfaceContext(cairo_surface_t* surface) : target(cairo_surface_reference(surface)) {}
    ~SurfaceContext() override { cairo_surface_destroy(target); }
    cairo_surface_t* target;
};

}  // namespace

HDC CreateSurfaceDC(cairo_surface_t* target) {
    return static_cast<HDC>(AddHandle(HandleKind::Gdi, std::make_shared<SurfaceContext>(target)));
}

BOOL ReleaseSurfaceDC(HDC dc) {
    return RemoveHandle(HandleKind::Gdi, dc) ? TRUE : FALSE;
}

}  // namespace winlayer
