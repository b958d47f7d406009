// Mouse input without a mouse: the test interface (or a script) moves the cursor and presses the
// left button; the window under the cursor gets the messages, posted to its own thread's queue, so
// input may come from any thread. A caption drag started by DefWindowProcW moves its window with
// the cursor until the button is released; no modal loop runs, the window's thread stays free.
#include <cstdlib>
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/test_interface.h"
#include "platform/posix/window_system.h"

namespace winlayer {
namespace {

const DWORD kDoubleClickMs = 500;  // Windows' default double-click time
const LONG kDoubleClickSlop = 2;   // half of SM_CXDOUBLECLK

struct Mouse {
    POINT cursor{0, 0};
    bool leftDown = false;
    DWORD heldKeys = 0;  // MK_CONTROL / MK_SHIFT of the press that holds the button
    struct {
        HWND window = nullptr;
        POINT cursorStart{}, windowStart{};
    } drag;
    struct {
        HWND window = nullptr;
        DWORD time = 0;
        POINT at{};
    } lastClick;
};

Mouse& TheMouse() {
    static Mouse* mouse = new Mouse;
    return *mouse;
}

bool Contains(const Window& window, POINT screen) {
    POINT origin = ScreenOrigin(window);
    return screen.x >= origin.x && screen.x < origin.x + window.Width() && screen.y >= origin.y &&
           screen.y < origin.y + window.Height();
}

// Nearer the viewer: topmost windows above the others, then the later shown.
bool Above(const Window& a, const Window& b) {
    bool aTop = (a.exStyle & WS_EX_TOPMOST) != 0, bTop = (b.exStyle & WS_EX_TOPMOST) != 0;
    return aTop != bTop ? aTop : a.zOrder > b.zOrder;
}

std::shared_ptr<Window> TopmostAt(POINT screen, HWND parent) {
    std::shared_ptr<Window> best;
    for (auto& entry : Windows().windows) {
        const Window& window = *entry.second;
        bool layer = parent ? (window.IsChild() && window.parent == parent) : IsTopLevel(window);
        if (layer && OnScreen(window) && Contains(window, screen) &&
            (!best || Above(window, *best)))
            best = entry.second;
    }
    return best;
}

LPARAM ClientPoint(const Window& window, POINT screen) {
    POINT origin = ScreenOrigin(window);
    return MAKELPARAM(screen.x - origin.x, screen.y - origin.y);
}

// WM_MOUSELEAVE for every window that asked for it and is no longer under the cursor.
void NotifyLeaving(const std::shared_ptr<Window>& under) {
    for (auto& entry : Windows().windows) {
        Window& window = *entry.second;
        if (!window.trackLeave || entry.second == under) continue;
        window.trackLeave = false;
        PostLocked(*window.queue, entry.first, WM_MOUSELEAVE, 0, 0);
    }
}

WPARAM KeysNow(const Mouse& mouse) {
    return mouse.leftDown ? (MK_LBUTTON | mouse.heldKeys) : 0;
}

// Sends a mouse message to the window under the cursor (held lock).
void Deliver(UINT message, WPARAM keys) {
    Mouse& mouse = TheMouse();
    auto target = WindowAtPoint(mouse.cursor);
    NotifyLeaving(target);
    if (!target) return;
    PostLocked(*target->queue, target->handle, message, keys, ClientPoint(*target, mouse.cursor));
}

bool IsDoubleClick(const Mouse& mouse, const Window& target) {
    return (target.windowClass->style & CS_DBLCLKS) && mouse.lastClick.window == target.handle &&
           GetTickCount() - mouse.lastClick.time <= kDoubleClickMs &&
           std::labs(long(mouse.cursor.x - mouse.lastClick.at.x)) <= kDoubleClickSlop &&
           std::labs(long(mouse.cursor.y - mouse.lastClick.at.y)) <= kDoubleClickSlop;
}

}  // namespace

std::shared_ptr<Window> WindowAtPoint(POINT screen) {
    auto found = TopmostAt(screen, nullptr);
    while (found) {
        auto child = TopmostAt(screen, found->handle);
        if (!child) break;
        found = child;
    }
    return found;
}

POINT CursorPosition() {
    return TheMouse().cursor;
}

void StartCaptionDrag(HWND handle) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    Mouse& mouse = TheMouse();
    auto window = LookupWindow(handle);
    if (!window || !mouse.leftDown) return;  // the button went up already: nothing to follow
    mouse.drag.window = handle;
    mouse.drag.cursorStart = mouse.cursor;
    mouse.drag.windowStart = {window->rect.left, window->rect.top};
}

namespace test {

void MoveMouse(int screenX, int screenY) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    Mouse& mouse = TheMouse();
    mouse.cursor = {screenX, screenY};
    if (mouse.drag.window) {
        auto window = Windows().windows.find(mouse.drag.window);
        if (window != Windows().windows.end()) {
            Window& dragged = *window->second;
            LONG width = dragged.Width(), height = dragged.Height();
            dragged.rect.left = mouse.drag.windowStart.x + screenX - mouse.drag.cursorStart.x;
            dragged.rect.top = mouse.drag.windowStart.y + screenY - mouse.drag.cursorStart.y;
            dragged.rect.right = dragged.rect.left + width;
            dragged.rect.bottom = dragged.rect.top + height;
            return;
        }
        mouse.drag.window = nullptr;  // the window went away during the drag
    }
    Deliver(WM_MOUSEMOVE, KeysNow(mouse));
}

void MoveMouseInClient(HWND handle, int clientX, int clientY) {
    POINT origin;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window) return;
        origin = ScreenOrigin(*window);
    }
    MoveMouse(origin.x + clientX, origin.y + clientY);
}

void PressLeft(DWORD keys) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    Mouse& mouse = TheMouse();
    mouse.leftDown = true;
    mouse.heldKeys = keys & (MK_CONTROL | MK_SHIFT);
    auto target = WindowAtPoint(mouse.cursor);
    UINT message = WM_LBUTTONDOWN;
    if (target && IsDoubleClick(mouse, *target)) {
        message = WM_LBUTTONDBLCLK;
        mouse.lastClick.window = nullptr;
    } else {
        mouse.lastClick = {target ? target->handle : nullptr, GetTickCount(), mouse.cursor};
    }
    Deliver(message, KeysNow(mouse));
}

// The release that ends a caption drag belongs to the drag; the window gets no WM_LBUTTONUP.
void ReleaseLeft(DWORD keys) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    Mouse& mouse = TheMouse();
    mouse.leftDown = false;
    mouse.heldKeys = 0;
    if (mouse.drag.window) {
        mouse.drag.window = nullptr;
        return;
    }
    Deliver(WM_LBUTTONUP, keys & (MK_CONTROL | MK_SHIFT));
}

}  // namespace test
}  // namespace winlayer

using namespace winlayer;

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(Windows().mutex);
    *point = CursorPosition();
    return TRUE;
}

// One WM_MOUSELEAVE per request, as on Windows: at once when the cursor is elsewhere already.
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(track->hwndTrack);
    if (!window) return FALSE;
    if (!(track->dwFlags & TME_LEAVE)) return TRUE;
    if (track->dwFlags & TME_CANCEL) {
        window->trackLeave = false;
        return TRUE;
    }
    if (WindowAtPoint(CursorPosition()) != window)
        PostLocked(*window->queue, window->handle, WM_MOUSELEAVE, 0, 0);
    else
        window->trackLeave = true;
    return TRUE;
}
