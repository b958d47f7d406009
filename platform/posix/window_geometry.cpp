// Where windows are: showing and hiding, moving and sizing, rectangles and coordinates. Windows
// here have no frame (WS_POPUP, WS_CHILD), so the client area is the whole window.
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/window_system.h"

namespace winlayer {

POINT ScreenOrigin(const Window& window) {
    if (window.desktop) {
        RECT screen = PrimaryScreenRect();
        return {screen.left, screen.top};
    }
    POINT origin{window.rect.left, window.rect.top};
    if (window.IsChild()) {
        auto parent = Windows().windows.find(window.parent);
        if (parent != Windows().windows.end()) {
            POINT above = ScreenOrigin(*parent->second);
            origin.x += above.x;
            origin.y += above.y;
        }
    }
    return origin;
}

bool OnScreen(const Window& window) {
    if (window.desktop || !window.visible) return false;
    if (!window.IsChild()) return true;
    auto parent = Windows().windows.find(window.parent);
    return parent != Windows().windows.end() && OnScreen(*parent->second);
}

}  // namespace winlayer

using namespace winlayer;

namespace {

void InvalidateAll(Window& window) {
    window.updatePending = true;
    window.update = {0, 0, window.Width(), window.Height()};
    window.queue->wake.notify_all();
}

RECT ClientRectOf(const Window& window) {
    if (window.desktop) {
        RECT screen = PrimaryScreenRect();
        return {0, 0, screen.right - screen.left, screen.bottom - screen.top};
    }
    return {0, 0, window.Width(), window.Height()};
}

}  // namespace

// Showing puts the window above the others of its layer.
BOOL ShowWindow(HWND handle, int command) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window || window->desktop) return FALSE;
    bool was = window->visible;
    window->visible = command != SW_HIDE;
    if (window->visible && !was) {
        window->zOrder = Windows().nextZOrder++;
        InvalidateAll(*window);
    }
    if (!window->visible && was && window->IsChild()) {
        // what the child covered shows the parent again
        auto parent = Windows().windows.find(window->parent);
        if (parent != Windows().windows.end()) InvalidateAll(*parent->second);
    }
    return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND handle) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    while (window && window->visible) {
        if (!window->IsChild()) return TRUE;
        window = LookupWindow(window->parent);
    }
    return FALSE;
}

// The window's surface is made again at the new size on the next paint, keeping nothing, so a new
// size always needs a paint.
BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    bool moved, resized;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window || window->desktop) return FALSE;
        RECT old = window->rect;
        window->rect = {x, y, x + width, y + height};
        moved = old.left != x || old.top != y;
        resized = old.right - old.left != width || old.bottom - old.top != height;
        if (repaint || resized) InvalidateAll(*window);
    }
    if (moved) CallWindowProcedure(handle, WM_MOVE, 0, MAKELPARAM(x, y));
    if (resized) CallWindowProcedure(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return TRUE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window || !rect) return FALSE;
    *rect = ClientRectOf(*window);
    return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window || !rect) return FALSE;
    POINT origin = ScreenOrigin(*window);
    RECT client = ClientRectOf(*window);
    *rect = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return TRUE;
}

namespace {

// Where the window's client area begins on the screen; false when the window is gone.
bool ClientOriginOf(HWND handle, POINT& origin) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window) return false;
    origin = ScreenOrigin(*window);
    return true;
}

}  // namespace

BOOL ScreenToClient(HWND handle, LPPOINT point) {
    POINT origin;
    if (!point || !ClientOriginOf(handle, origin)) return FALSE;
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND handle, LPPOINT point) {
    POINT origin;
    if (!point || !ClientOriginOf(handle, origin)) return FALSE;
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}
