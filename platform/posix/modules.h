// System libraries of the native layer for GetModuleHandle, LoadLibrary and GetProcAddress.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace winlayer {

// Offers a function under a system library name for GetModuleHandle/LoadLibrary + GetProcAddress.
void RegisterExport(const std::wstring& module, const char* name, FARPROC proc);

}  // namespace winlayer
