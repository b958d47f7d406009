// Pictures of windows: a window and its visible children composed at their places, each as its
// last finished paint shows it (black where a window never painted).
#include <cairo.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/posix/test_interface.h"
#include "platform/posix/window_system.h"

namespace winlayer {
namespace {

// Draws the window's children, bottom first, each over its parent (held lock).
void DrawChildren(cairo_t* cr, const Window& parent, POINT rootOrigin) {
    std::vector<std::shared_ptr<Window>> children;
    for (auto& entry : Windows().windows)
        if (entry.second->IsChild() && entry.second->parent == parent.handle &&
            entry.second->visible)
            children.push_back(entry.second);
    std::sort(children.begin(), children.end(),
              [](const auto& a, const auto& b) { return a->zOrder < b->zOrder; });
    for (const auto& child : children) {
        POINT origin = ScreenOrigin(*child);
        double x = origin.x - rootOrigin.x, y = origin.y - rootOrigin.y;
        cairo_save(cr);
        cairo_rectangle(cr, x, y, child->Width(), child->Height());
        cairo_clip(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        if (child->shown) {
            cairo_set_source_surface(cr, child->shown, x, y);
            cairo_paint(cr);
        }
        cairo_restore(cr);
        DrawChildren(cr, *child, rootOrigin);
    }
}

}  // namespace

namespace test {

bool SaveWindowPng(HWND handle, const std::string& hostPath) {
    cairo_surface_t* picture;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window || window->desktop || window->Width() <= 0 || window->Height() <= 0)
            return false;
        picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, window->Width(), window->Height());
        cairo_t* cr = cairo_create(picture);
        if (window->shown) {
            cairo_set_source_surface(cr, window->shown, 0, 0);
            cairo_paint(cr);
        }
        DrawChildren(cr, *window, ScreenOrigin(*window));
        cairo_destroy(cr);
    }
    bool ok = cairo_surface_write_to_png(picture, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(picture);
    return ok;
}

}  // namespace test
}  // namespace winlayer
