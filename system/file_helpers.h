// File-system helpers of the installer on narrow (code page 936) paths with backslashes.
#pragma once

#include <string>

// Creates every folder up to the path's last backslash; what follows it is not created. Shows a
// message box naming the folder that cannot be created and returns false. Paths of 260 bytes or
// more are refused without creating anything.
bool MakeDirs(const char* path);

// Deletes a file or a folder tree silently and for good. Only fully qualified paths below a drive
// root are accepted ("X:\..."): an empty path, a drive root in any spelling ("C:\.", "C:\\",
// "\\?\C:\"), a name pattern ("*", "?") or a ".." component deletes nothing and gives false.
bool DeletePath(const char* path);

// True when the folder holds no subfolder (files do not count; a folder that cannot be read
// counts as empty).
bool IsFolderEmpty(const char* folder);

// The form of a path DeletePath hands to the shell ("/" made "\", repeated "\" and "." names
// removed), or "" when the path is refused.
std::string DeletablePath(const char* path);
