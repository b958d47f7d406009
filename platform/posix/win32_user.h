// Functions of user32 in the native layer: string resources, the shell window, message boxes,
// windows and their messages, painting, mouse input and screens. Each behaves as the installer
// expects of the real one: results, last-error codes and the order of effects.
//
// Windows are headless: each paints into an off-screen cairo surface (platform/posix/gdi_surface.h)
// and gets its mouse input from the test interface or a script (platform/README.md).
#pragma once

#include "platform/posix/win32_types.h"

// --- last-error codes of user32 ---
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_INVALID_THREAD_ID 1444L

// --- messages ---
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_MOVE 0x0003u
#define WM_SIZE 0x0005u
#define WM_SETTEXT 0x000Cu
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_GETMINMAXINFO 0x0024u
#define WM_SETICON 0x0080u
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_NCLBUTTONDOWN 0x00A1u
#define WM_SYSCOMMAND 0x0112u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_MOUSELEAVE 0x02A3u
#define WM_USER 0x0400u

#define SIZE_RESTORED 0
#define ICON_SMALL 0
#define ICON_BIG 1
#define SC_CLOSE 0xF060u
#define HTCAPTION 2
#define MK_LBUTTON 0x0001u
#define MK_SHIFT 0x0004u
#define MK_CONTROL 0x0008u
#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define TME_LEAVE 0x00000002u
#define TME_CANCEL 0x80000000u
#define HOVER_DEFAULT 0xFFFFFFFFu

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xFFFF))
#define MAKELONG(a, b)                                                                         \
    ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xFFFF)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xFFFF))) \
                                                      << 16))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

// --- window classes and styles ---
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_EX_TOPMOST 0x00000008u
#define WS_EX_TOOLWINDOW 0x00000080u
#define WS_EX_APPWINDOW 0x00040000u
#define WS_EX_LAYERED 0x00080000u
#define IDC_ARROW MAKEINTRESOURCEW(32512)

// --- screens ---
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define MONITOR_DEFAULTTONULL 0x0u
#define MONITOR_DEFAULTTOPRIMARY 0x1u
#define MONITOR_DEFAULTTONEAREST 0x2u
#define ENUM_CURRENT_SETTINGS ((DWORD)-1)
#define DISPLAY_DEVICE_ATTACHED_TO_DESKTOP 0x00000001u
#define DISPLAY_DEVICE_PRIMARY_DEVICE 0x00000004u
#define DM_POSITION 0x00000020u
#define DM_LOGPIXELS 0x00020000u
#define DM_BITSPERPEL 0x00040000u
#define DM_PELSWIDTH 0x00080000u
#define DM_PELSHEIGHT 0x00100000u
#define CCHDEVICENAME 32

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagWNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXW;

typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagMINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
} MINMAXINFO;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagTRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
} TRACKMOUSEEVENT, *LPTRACKMOUSEEVENT;

typedef struct _DISPLAY_DEVICEW {
    DWORD cb;
    WCHAR DeviceName[32];
    WCHAR DeviceString[128];
    DWORD StateFlags;
    WCHAR DeviceID[128];
    WCHAR DeviceKey[128];
} DISPLAY_DEVICEW, *PDISPLAY_DEVICEW;

typedef struct _POINTL {
    LONG x;
    LONG y;
} POINTL;

// Only the fields the installer reads, plus dmSize and dmFields; natively the layout is not the
// system's.
typedef struct _devicemodeW {
    WCHAR dmDeviceName[CCHDEVICENAME];
    WORD dmSize;
    DWORD dmFields;
    POINTL dmPosition;
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
} DEVMODEW, *PDEVMODEW;

// --- string resources (user32) ---
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// --- shell window (user32) ---
HWND GetShellWindow();
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);

// --- message boxes (user32) ---
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// --- window classes (user32) ---
ATOM RegisterClassExW(const WNDCLASSEXW* wc);
HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);

// --- windows (user32) ---
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam);
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
HWND GetParent(HWND hWnd);
HWND GetDesktopWindow();
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// TRUE when the window and every ancestor up to its top-level window are shown.
BOOL IsWindowVisible(HWND hWnd);
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
// Copies at most nMaxCount - 1 characters and a terminating NUL; returns the characters copied.
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// --- messages (user32) ---
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
BOOL TranslateMessage(const MSG* lpMsg);
LRESULT DispatchMessageW(const MSG* lpMsg);

// --- painting (user32) ---
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL UpdateWindow(HWND hWnd);

// --- mouse (user32) ---
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack);

// --- screens (user32) ---
BOOL EnumDisplayDevicesW(LPCWSTR lpDevice, DWORD iDevNum, PDISPLAY_DEVICEW lpDisplayDevice,
                         DWORD dwFlags);
BOOL EnumDisplaySettingsExW(LPCWSTR lpszDeviceName, DWORD iModeNum, DEVMODEW* lpDevMode,
                            DWORD dwFlags);
int GetSystemMetrics(int nIndex);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags);

// ===== drawing and image resources (user32's GDI half: rectangles, text, bitmaps, icons) =====

// DrawText formats.
#define DT_TOP 0x0u
#define DT_LEFT 0x0u
#define DT_CENTER 0x1u
#define DT_RIGHT 0x2u
#define DT_VCENTER 0x4u  // single line only
#define DT_BOTTOM 0x8u   // single line only
#define DT_WORDBREAK 0x10u
#define DT_SINGLELINE 0x20u
#define DT_NOCLIP 0x100u
#define DT_CALCRECT 0x400u
#define DT_NOPREFIX 0x800u
#define DT_END_ELLIPSIS 0x8000u

// Fill left..right-1 x top..bottom-1 with a brush; FrameRect draws its 1-pixel border inside.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
// Draws text in the DC's font and text colour inside rect (clipped to it unless DT_NOCLIP); n is
// the length or -1 for NUL-terminated text. "&" marks a mnemonic unless DT_NOPREFIX ("&&" is "&").
// Lines break at line feeds and, with DT_WORDBREAK, at spaces and between Chinese characters.
// DT_CALCRECT measures into rect without drawing. Returns the height of the text drawn.
int DrawTextW(HDC hdc, LPCWSTR text, int n, LPRECT rect, UINT format);
int DrawTextA(HDC hdc, LPCSTR text, int n, LPRECT rect, UINT format);  // code page 936

// Pictures and icons the program registered at start-up (posix/image_resources.h). An unknown id
// gives NULL and ERROR_RESOURCE_NAME_NOT_FOUND.
HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR name);
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR name);
