// What the process, file and account sources of the native layer share about processes and open
// files. Not for code outside platform/.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <utility>

#include "platform/posix/win32_types.h"

namespace winlayer {

// Files that are the programs of running processes (cannot be deleted while they run).
std::set<std::pair<dev_t, ino_t>> RunningImages();

// The host descriptor of an open file handle (used by CreateProcess for standard handles); -1 if
// the handle is not an open file.
int FileDescriptorOf(HANDLE handle);

std::wstring ExecutablePathOf(int pid);  // Windows path of a host process's program; "" if unknown
constexpr DWORD kShellProcessId = 0x7FFFFFF0u;  // the pretend shell process (settings [shell])
bool ProcessIdOf(HANDLE process, DWORD& pid);

}  // namespace winlayer
