// Types of shcore (display scale). The installer reaches its functions only through
// LoadLibraryW("SHCore.dll") and GetProcAddress, so no function is declared here.
#pragma once

#include "platform/posix/win32_types.h"
