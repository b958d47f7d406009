// The product's entry in the machine's list of installed programs.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "system/product_settings.h"

// Writes the uninstall entry; 0 when every value was written, -1 otherwise.
int RegisterUninstall();

// Parent key under HKEY_LOCAL_MACHINE: the Wow6432Node path on IA64 and AMD64 systems, the plain
// path otherwise and when the native system information is not available.
const char* UninstallParentKey(bool haveNativeInfo, WORD architecture);

// "Quant_" + package code + "v8.5"
std::string UninstallKeyName(const std::string& packageCode);

struct UninstallValue {
    const char* name;
    bool wide;           // written with RegSetValueExW
    std::string narrow;  // data of a narrow value
    std::wstring text;   // data of a wide value
};

// The six values in the order they are written.
std::vector<UninstallValue> UninstallValues(const ProductSettings& settings,
                                            const std::string& desktopDir);
