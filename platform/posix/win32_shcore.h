// Types of shcore (display scale). The installer reaches its functions only through
// LoadLibraryW("SHCore.dll") and GetProcAddress, so no function is declared here: the shapes below
// are what GetProcAddress's result is cast to.
#pragma once

#include "platform/posix/win32_com.h"
#include "platform/posix/win32_types.h"

typedef enum PROCESS_DPI_AWARENESS {
    PROCESS_DPI_UNAWARE = 0,
    PROCESS_SYSTEM_DPI_AWARE = 1,
    PROCESS_PER_MONITOR_DPI_AWARE = 2
} PROCESS_DPI_AWARENESS;

typedef enum MONITOR_DPI_TYPE {
    MDT_EFFECTIVE_DPI = 0,
    MDT_ANGULAR_DPI = 1,
    MDT_RAW_DPI = 2,
    MDT_DEFAULT = MDT_EFFECTIVE_DPI
} MONITOR_DPI_TYPE;

typedef HRESULT(WINAPI* SetProcessDpiAwarenessProc)(PROCESS_DPI_AWARENESS value);
typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR monitor, MONITOR_DPI_TYPE type, UINT* dpiX,
                                              UINT* dpiY);
