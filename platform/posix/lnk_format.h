// Shell-link (.lnk) files in the published binary format: a header, link information with the
// target's local path (ANSI and Unicode), the string data and the terminal block.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace winlayer {

struct LinkData {
    std::wstring target;  // full Windows path of the target
    std::wstring workingDirectory;
    std::wstring arguments;
    std::wstring description;
    std::wstring iconPath;
    int iconIndex = 0;
    int showCommand = SW_SHOWNORMAL;
    WORD hotKey = 0;
    // Facts about the target recorded in the header.
    DWORD targetAttributes = 0;
    FILETIME creationTime{}, accessTime{}, writeTime{};
    DWORD targetSize = 0;
    DWORD driveSerial = 0;
};

std::string EncodeShellLink(const LinkData& link);
bool DecodeShellLink(const std::string& bytes, LinkData& link);

}  // namespace winlayer
