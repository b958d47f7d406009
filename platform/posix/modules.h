// System libraries of the native layer for GetModuleHandle, LoadLibrary and GetProcAddress.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace winlayer {

// Offers a function under a system library name for GetModuleHandle/LoadLibrary + GetProcAddress.
void RegisterExport(const std::wstring& module, const char* name, FARPROC proc);
// An unavailable library is not found by GetModuleHandle or LoadLibrary, as on systems without it.
void SetModuleAvailable(const std::wstring& module, bool available);

}  // namespace winlayer
