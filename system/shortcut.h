// The desktop shortcut to the product, on the desktop shared by all users.
#pragma once

#include <string>

#include "platform/win32.h"

// Appends the all-users desktop folder to `path`; returns the shell allocator's result
// (negative, with nothing appended, when no allocator was had).
HRESULT GetCommonDesktopDir(std::string& path);

// Creates brandName + "v8.5.lnk" on the all-users desktop, pointing to the product's main
// executable in installDir, logging every step. True when the three paths could be formed,
// whatever the shell reported afterwards.
bool CreateDesktopShortcut();

// desktop + "\" + brandName + "v8.5.lnk"
std::string ShortcutPath(const std::string& desktop, const std::string& brandName);

// Steps 5 to 11 of the shortcut creation: COM, the shell link object of class `linkClass`, its
// target and folder, and the save; each result goes to the install log.
void SaveShortcut(const std::wstring& linkPath, const std::wstring& target,
                  const std::wstring& workingFolder, REFCLSID linkClass);
