// Windows paths on the emulated machine: parsing, normalising and mapping to host paths. Not for
// code outside platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/win32_types.h"

namespace winlayer {

struct WinPath {
    wchar_t drive = 0;                     // upper-case letter; 0 when the path is not absolute
    std::vector<std::wstring> components;  // after normalisation of "." and ".."
    bool trailingSeparator = false;
};
// Makes a Windows path absolute against the current folder and normalises it.
bool ParseFullPath(const std::wstring& path, WinPath& out);
std::wstring FormatWinPath(const WinPath& path, bool keepTrailing = true);
std::wstring FullWindowsPath(const std::wstring& path);

// Host folder of a drive letter ("" when the drive does not exist).
std::string DriveHostRoot(wchar_t drive);
// Maps a Windows path to a host path, following existing names without regard to case. Returns
// false (with the last error set) when the path cannot be mapped.
bool ToHostPath(const std::wstring& windowsPath, std::string& hostPath);
bool ToHostPathA(const char* windowsPath, std::string& hostPath);
// Maps a host path to the Windows path under which it is reached (a drive folder, else Z:).
std::wstring ToWindowsPath(const std::string& hostPath);

// Error for a failed lookup of hostPath: FILE_NOT_FOUND when its folder exists, else
// PATH_NOT_FOUND.
DWORD MissingPathError(const std::string& hostPath);

}  // namespace winlayer
