// Functions of user32 in the native layer: string resources, the shell window, message boxes.
// Each behaves as the installer expects of the real one: results, last-error codes and the order of
// effects.
#pragma once

#include "platform/posix/win32_types.h"

// --- string resources (user32) ---
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// --- shell window (user32) ---
HWND GetShellWindow();
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);

// --- message boxes (user32) ---
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// ===== drawing and image resources (user32's GDI half: rectangles, text, bitmaps, icons) =====
#ifndef MAKEINTRESOURCEW
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#endif

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
BOOL DestroyIcon(HICON icon);
