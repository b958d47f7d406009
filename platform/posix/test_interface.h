// The native layer's own interface for in-process tests and for driving a program without a
// display. Nothing here is Win32: it sets what a real machine would have (monitors, display scale,
// the console user), answers what a person would (message boxes, the folder picker), injects mouse
// input and photographs windows. Settings that must reach other processes stay in the system root's
// files (platform/README.md); a value set here applies to this process only and wins over them.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/win32_types.h"

namespace winlayer {
namespace test {

// ---- screens ----
struct Monitor {
    std::wstring deviceName;  // "\\.\DISPLAY1" ... (empty: numbered in order)
    int x = 0, y = 0;         // position in the virtual screen, in device pixels
    int width = 1920, height = 1080;
    int logPixels = 96;      // what EnumDisplaySettingsExW reports as dmLogPixels
    UINT effectiveDpi = 96;  // what GetDpiForMonitor reports for MDT_EFFECTIVE_DPI
};
// Replaces the machine's monitors; the first one is the primary screen (SM_CYSCREEN is its
// height). Without a call the machine has one 1920 x 1080 monitor at (0, 0), 96 DPI.
void SetMonitors(const std::vector<Monitor>& monitors);
// false: LoadLibraryW("SHCore.dll") fails, as on systems without the library.
void SetShcoreAvailable(bool available);

// ---- accounts ----
// The user name of the active console session (UTF-8); empty: no one is logged on at the console.
void SetConsoleUser(const std::string& name);
// Forgets SetConsoleUser: the settings file's [session] console_user applies again.
void ClearConsoleUser();

// ---- dialog answers ----
// Message boxes take queued answers from the front (IDOK, IDCANCEL, ...); without one a box
// takes its default button. Every box shown is recorded.
struct MessageBoxRecord {
    int answer;
    UINT type;
    std::wstring caption, text;
};
void QueueMessageBoxAnswer(int answer);
std::vector<MessageBoxRecord> MessageBoxRecords();
// The folder picker takes queued answers from the front: a Windows path, or "" for Cancel;
// without one it is cancelled. Every picker shown is recorded with its title.
void QueueFolderAnswer(const std::string& windowsPath);
std::vector<std::string> FolderPickerTitles();
// Forgets queued answers and records of both kinds.
void ResetDialogs();

// ---- mouse input ----
// Moves the cursor to a screen position. The window under it (the topmost visible one, a child
// before its parent) gets WM_MOUSEMOVE posted to its thread's queue, or the window that captured
// the mouse does; a window left by the cursor gets WM_MOUSELEAVE when it asked for it
// (TrackMouseEvent). While a caption drag runs, the dragged window follows the cursor instead.
void MoveMouse(int screenX, int screenY);
// The same at client coordinates of a window.
void MoveMouseInClient(HWND window, int clientX, int clientY);
// Presses or releases the left button at the cursor; keys holds MK_CONTROL and MK_SHIFT for the
// modifier keys held at that moment. Posts WM_LBUTTONDOWN / WM_LBUTTONUP with MK_ flags.
void PressLeft(DWORD keys = 0);
void ReleaseLeft(DWORD keys = 0);

// ---- pictures ----
// Saves a window with its visible children, as last painted, to a PNG file (host path).
bool SaveWindowPng(HWND window, const std::string& hostPath);

}  // namespace test
}  // namespace winlayer
