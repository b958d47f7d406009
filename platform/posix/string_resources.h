// String resources of the native build. Windows reads them from the executable; natively the
// program registers its string table at start-up (for example from code generated out of the
// brand folder), and LoadStringA/W answer from it.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

void RegisterStringResource(UINT id, const std::wstring& text);
