// Picture and icon resources of the native build. Windows reads them from the executable;
// natively the program registers the files at start-up, and LoadBitmapW / LoadIconW answer from
// them. Files are read when loaded, not when registered.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

// A bitmap resource: a .bmp file of 24 bits per pixel, BI_RGB, bottom-up or top-down. LoadBitmapW
// of any other kind fails with ERROR_BAD_FORMAT (and says why on standard error).
void RegisterBitmapResource(UINT id, const std::string& hostPath);
// An icon group: a .ico file. LoadIconW checks its header and directory and hands out one shared
// handle per id.
void RegisterIconResource(UINT id, const std::string& hostPath);
