// Item lists of the native shell: a pidl that stands for a Windows path. Not for code outside
// platform/.
#pragma once

#include <string>

#include "platform/posix/win32_shell.h"

namespace winlayer {

// A new item list for path, freed with the shell allocator (CoTaskMemFree); null when out of
// memory.
PIDLIST_ABSOLUTE ItemListForPath(const std::wstring& path);

}  // namespace winlayer
