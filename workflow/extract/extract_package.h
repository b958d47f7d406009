// The install worker's unpacking of one downloaded package.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win32.h"

// Where a successful unpacking moves the progress bar: the install state's planned download count
// and progress position, and the window told about the new position.
struct ExtractProgress {
    int plannedDownloads;
    std::atomic<int32_t>* progress;
    HWND window;
};

// Unpacks zipPath below destination. A missing zip file is no failure: true, nothing else happens.
// After a successful unpacking progress grows by 10 / plannedDownloads (truncated; nothing when no
// download is planned) and WM_INSTALL_PROGRESS (1131) with the new position is posted to window.
bool ExtractPackage(const char* zipPath, const char* destination, const ExtractProgress& progress);
