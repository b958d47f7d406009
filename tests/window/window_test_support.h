// Helpers for the window tests, in both builds: a window class that records every message its
// windows get (in the installer's way: the object arrives with WM_NCCREATE and lives in the extra
// bytes), message pumping, and mouse input that goes through our test interface natively and
// through the system's input under Windows.
#pragma once

#include <functional>
#include <vector>

#include "platform/win32.h"

namespace wintest {

struct Recorded {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool beforeNcCreate;  // reached the procedure before the object did
};

// Records the messages of the windows made with it. A handler may answer a message itself
// (returning true with the result set); otherwise DefWindowProcW does.
struct Recorder {
    std::vector<Recorded> log;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> handler;

    // The recorded messages, optionally of one window, keeping only the given kinds.
    std::vector<UINT> Messages(const std::vector<UINT>& kinds, HWND window = nullptr) const;
    std::vector<Recorded> Of(UINT message, HWND window = nullptr) const;
    void Clear() { log.clear(); }
};

// The recording class's name; registered on first use.
const wchar_t* RecorderClass();
HWND CreateRecorded(Recorder& recorder, DWORD style, RECT at, HWND parent = nullptr,
                    DWORD exStyle = 0);

// Dispatches what is queued for this thread, without blocking.
void Pump();
// Pumps until done() or timeoutMs passed; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000);

// Mouse input at screen coordinates, delivered as a person's would be.
void MoveCursor(int x, int y);
void PressLeftButton();
void ReleaseLeftButton();

}  // namespace wintest
