// The state behind the window half of user32: window classes, windows, the message queue of each
// thread, and what tests and scripts wait for. Not for code outside platform/.
//
// One lock (WindowSystem::mutex) guards all of it. Window procedures are always called without it,
// so a procedure may call any function of the layer. A window's pixels live in two cairo surfaces:
// `surface`, which BeginPaint/GetDC draw into on the window's own thread, and `shown`, a copy made
// under the lock when a paint ends, which pictures (SaveWindowPng) read from any thread.
#pragma once

#include <cairo.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace winlayer {

struct WindowClass {
    std::wstring name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int extraBytes = 0;
};

// The messages waiting for one thread.
struct ThreadQueue {
    DWORD threadId = 0;
    std::deque<MSG> posted;
    bool quit = false;  // PostQuitMessage: WM_QUIT once nothing is posted
    int quitCode = 0;
    bool waiting = false;  // the thread sits in GetMessageW with nothing to do
    std::condition_variable wake;
};

struct Window : Object {
    ~Window() override;

    HWND handle = nullptr;
    std::shared_ptr<const WindowClass> windowClass;
    DWORD style = 0, exStyle = 0;
    HWND parent = nullptr;  // WS_CHILD: the parent; otherwise the owner, if any
    RECT rect{};            // children: in the parent's client coordinates; others: on the screen
    std::vector<unsigned char> extra;  // the class's cbWndExtra bytes
    std::wstring text;
    HICON icons[2] = {};
    bool visible = false;
    bool destroying = false;  // DestroyWindow has begun; the handle is still valid
    bool desktop = false;     // GetDesktopWindow's window: no procedure, no queue, never painted
    bool updatePending = false;
    RECT update{};            // bounding box of what was invalidated, client coordinates
    bool trackLeave = false;  // TrackMouseEvent(TME_LEAVE) is waiting for the cursor to leave
    uint64_t zOrder = 0;      // larger is nearer the viewer among windows of the same layer
    std::shared_ptr<ThreadQueue> queue;  // of the thread that created the window
    cairo_surface_t* surface = nullptr;  // drawn into by the owner thread; made on first use
    cairo_surface_t* shown = nullptr;    // as of the last finished paint
    uint64_t paintsEnded = 0;

    bool IsChild() const { return (style & WS_CHILD) != 0; }
    LONG Width() const { return rect.right - rect.left; }
    LONG Height() const { return rect.bottom - rect.top; }
};

struct WindowSystem {
    std::mutex mutex;
    // Signalled when something a waiting test or script looks at changes: a thread going idle, a
    // paint ending, a window going away.
    std::condition_variable observers;
    std::map<std::wstring, std::shared_ptr<const WindowClass>> classes;  // upper-case names
    std::map<HWND, std::shared_ptr<Window>> windows;  // handle values grow: creation order
    std::map<DWORD, std::weak_ptr<ThreadQueue>> queues;
    uint64_t nextZOrder = 1;
    HWND firstTopLevel = nullptr;  // the window scripts address
};
WindowSystem& Windows();  // never destroyed

// The rest expect WindowSystem::mutex to be held by the caller.

// The live window of a handle; sets ERROR_INVALID_WINDOW_HANDLE when there is none.
std::shared_ptr<Window> LookupWindow(HWND handle);
// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
// Queues a message and wakes the owner thread.
void PostLocked(ThreadQueue& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Where the window's client area starts on the screen.
POINT ScreenOrigin(const Window& window);
// Visible with all its parents, and not the desktop.
bool OnScreen(const Window& window);
// Invalidated, on screen and not empty: a WM_PAINT is due.
bool NeedsPaint(const Window& window);
// The top-level window (no WS_CHILD) under a screen point, then its deepest visible child there.
std::shared_ptr<Window> WindowAtPoint(POINT screen);
bool IsTopLevel(const Window& window);
// Where the mouse cursor is, on the screen.
POINT CursorPosition();
// The surface BeginPaint and GetDC draw into (made at the client size when missing or of another
// size). For the GDI half and native tests that draw with cairo directly.
cairo_surface_t* WindowSurface(Window& window);

// Without the lock held.

// The surface BeginPaint's context draws into, for native tests that draw with cairo directly
// between BeginPaint and EndPaint (the window's own thread); null for an unknown window.
cairo_surface_t* PaintSurface(HWND window);
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void StartCaptionDrag(HWND window);  // DefWindowProcW's answer to WM_NCLBUTTONDOWN on HTCAPTION
RECT PrimaryScreenRect();
// Runs OBJSTORE_UI_SCRIPT's steps on a thread of their own, once per process.
void StartScriptOnce();

}  // namespace winlayer
