// Bridge for code that opens files without Win32 calls (the storage client, minizip's default file
// functions): turns a Windows path into the path the C and C++ libraries understand.
#pragma once

#include <string>

#ifdef _WIN32
// Windows: the C runtime understands Windows paths itself.
inline std::string HostFilePath(const std::string& windowsPath) {
    return windowsPath;
}
#else
// Native: maps drive letters onto the system root's drive folders (Z: is the host root), turns
// backslashes into slashes and follows existing names without regard to case. The text is taken in
// the ANSI code page (936), like every narrow Win32 path.
std::string HostFilePath(const std::string& windowsPath);
#endif
