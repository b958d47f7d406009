// The one header through which code outside platform/ reaches Win32 names.
//
// Windows build: the system headers. Native build: the subset of the API that the installer calls,
// implemented over POSIX in platform/posix/ (see platform/README.md for what it emulates).
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <direct.h>
#include <io.h>
#include <objbase.h>
#include <process.h>
#include <share.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <tlhelp32.h>
#include <wtsapi32.h>
#else
// Declarations by the system library that offers them on Windows.
#include "platform/posix/win32_advapi.h"
#include "platform/posix/win32_gdi.h"
#include "platform/posix/win32_kernel.h"
#include "platform/posix/win32_shcore.h"
#include "platform/posix/win32_shell.h"
#include "platform/posix/win32_types.h"
#include "platform/posix/win32_user.h"
#endif

#include "platform/host_path.h"
