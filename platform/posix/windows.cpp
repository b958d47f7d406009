// Windows: creation with the messages Windows sends on the way, destruction of a window with its
// children and owned windows, the extra bytes, and the desktop window.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/text.h"
#include "platform/posix/window_system.h"

namespace winlayer {

WindowSystem& Windows() {
    // never destroyed: queues of threads may go away after static destructors ran
    static WindowSystem* system = new WindowSystem;
    return *system;
}

Window::~Window() {
    if (surface) cairo_surface_destroy(surface);
    if (shown) cairo_surface_destroy(shown);
}

std::shared_ptr<Window> LookupWindow(HWND handle) {
    auto& windows = Windows().windows;
    auto it = handle ? windows.find(handle) : windows.end();
    if (it == windows.end()) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second;
}

bool IsTopLevel(const Window& window) {
    return !window.desktop && !window.IsChild();
}

}  // namespace winlayer

using namespace winlayer;

namespace {

enum class Order { ParentFirst, ChildrenFirst };

// The window and its descendants, in creation order within each level.
std::vector<HWND> Family(HWND root, Order order) {
    std::vector<HWND> out;
    if (order == Order::ParentFirst) out.push_back(root);
    for (auto& entry : Windows().windows)
        if (entry.second->IsChild() && entry.second->parent == root) {
            std::vector<HWND> sub = Family(entry.first, order);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    if (order == Order::ChildrenFirst) out.push_back(root);
    return out;
}

void Forget(HWND handle) {
    WindowSystem& system = Windows();
    std::lock_guard<std::mutex> lock(system.mutex);
    system.windows.erase(handle);
    RemoveHandle(HandleKind::Window, handle);
    system.observers.notify_all();
}

// WM_NCDESTROY to the window's family, children first; each handle dies after its message.
void FinishDestruction(HWND handle) {
    std::vector<HWND> family;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        family = Family(handle, Order::ChildrenFirst);
    }
    for (HWND member : family) {
        CallWindowProcedure(member, WM_NCDESTROY, 0, 0);
        Forget(member);
    }
}

// Windows gives a new window these limits before anything else reaches its procedure.
void SendMinMaxInfo(HWND handle) {
    RECT screen = PrimaryScreenRect();
    MINMAXINFO info{};
    info.ptMaxSize = {screen.right - screen.left, screen.bottom - screen.top};
    info.ptMaxTrackSize = info.ptMaxSize;
    CallWindowProcedure(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
}

std::shared_ptr<Window> NewWindow(DWORD exStyle, LPCWSTR className, DWORD style, RECT rect,
                                  HWND parent) {
    WindowSystem& system = Windows();
    auto found = className ? system.classes.find(ToUpperWide(className)) : system.classes.end();
    if (found == system.classes.end()) {
        SetError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    window->windowClass = found->second;
    window->style = style;
    window->exStyle = exStyle;
    window->parent = parent;
    window->rect = rect;
    window->extra.assign(size_t(found->second->extraBytes), 0);
    window->queue = CurrentQueue();
    window->zOrder = system.nextZOrder++;
    window->updatePending = true;
    window->update = {0, 0, window->Width(), window->Height()};
    window->handle = static_cast<HWND>(AddHandle(HandleKind::Window, window));
    if (!window->handle) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    system.windows[window->handle] = window;
    return window;
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    HWND handle;
    bool topLevel;
    {
        WindowSystem& system = Windows();
        std::lock_guard<std::mutex> lock(system.mutex);
        if (parent) {
            auto parentWindow = LookupWindow(parent);
            if (!parentWindow) return nullptr;
            if (parentWindow->desktop) parent = nullptr;
        }
        if ((style & WS_CHILD) && !parent) {
            SetError(1406);  // ERROR_TLW_WITH_WSCHILD
            return nullptr;
        }
        auto window = NewWindow(exStyle, className, style, {x, y, x + width, y + height}, parent);
        if (!window) return nullptr;
        handle = window->handle;
        window->text = WideOrEmpty(windowName);
        topLevel = IsTopLevel(*window);
    }
    CREATESTRUCTW create{param, instance, menu,        parent,     height,    width,
                         y,     x,        LONG(style), windowName, className, exStyle};
    if (topLevel) SendMinMaxInfo(handle);
    if (!CallWindowProcedure(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
        FinishDestruction(handle);
        return nullptr;
    }
    if (CallWindowProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    CallWindowProcedure(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    CallWindowProcedure(handle, WM_MOVE, 0, MAKELPARAM(x, y));
    if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
    if (topLevel) {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        if (!Windows().firstTopLevel) Windows().firstTopLevel = handle;
    }
    if (topLevel) StartScriptOnce();
    return handle;
}

// Owned windows go first; then WM_DESTROY reaches the window before its children, and
// WM_NCDESTROY its children before it, as on Windows.
BOOL DestroyWindow(HWND handle) {
    std::vector<HWND> owned;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        auto window = LookupWindow(handle);
        if (!window) return FALSE;
        if (window->desktop || window->queue != CurrentQueue()) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (window->destroying) return TRUE;
        for (HWND member : Family(handle, Order::ParentFirst)) {
            auto& each = Windows().windows[member];
            each->destroying = true;
            each->visible = false;
        }
        for (auto& entry : Windows().windows)
            if (IsTopLevel(*entry.second) && entry.second->parent == handle)
                owned.push_back(entry.first);
    }
    for (HWND window : owned) DestroyWindow(window);
    std::vector<HWND> family;
    {
        std::lock_guard<std::mutex> lock(Windows().mutex);
        family = Family(handle, Order::ParentFirst);
    }
    for (HWND member : family) CallWindowProcedure(member, WM_DESTROY, 0, 0);
    FinishDestruction(handle);
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    return handle && Windows().windows.count(handle) ? TRUE : FALSE;
}

// A child's parent, or a top-level window's owner (as GetParent answers for WS_POPUP windows).
HWND GetParent(HWND handle) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto window = LookupWindow(handle);
    if (!window) return nullptr;
    if (!window->IsChild() && !(window->style & WS_POPUP)) return nullptr;
    return window->parent;
}

HWND GetDesktopWindow() {
    WindowSystem& system = Windows();
    std::lock_guard<std::mutex> lock(system.mutex);
    for (auto& entry : system.windows)
        if (entry.second->desktop) return entry.first;
    auto desktop = std::make_shared<Window>();
    desktop->desktop = true;
    desktop->visible = true;
    desktop->handle = static_cast<HWND>(AddHandle(HandleKind::Window, desktop));
    system.windows[desktop->handle] = desktop;
    return desktop->handle;
}

namespace {

// The extra bytes at index of the window, or null (with the last error set) when the window is gone
// or the slot lies outside them. Call with the window system's lock held.
unsigned char* ExtraSlot(HWND handle, int index) {
    auto window = LookupWindow(handle);
    if (!window) return nullptr;
    if (index < 0 || size_t(index) + sizeof(LONG_PTR) > window->extra.size()) {
        SetError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    return window->extra.data() + index;
}

}  // namespace

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    unsigned char* slot = ExtraSlot(handle, index);
    LONG_PTR value = 0;
    if (slot) memcpy(&value, slot, sizeof value);
    return value;
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    unsigned char* slot = ExtraSlot(handle, index);
    if (!slot) return 0;
    LONG_PTR previous;
    memcpy(&previous, slot, sizeof previous);
    memcpy(slot, &value, sizeof value);
    SetError(ERROR_SUCCESS);  // a previous value of 0 is told from failure by the last error
    return previous;
}
