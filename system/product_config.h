// The build's identity and the screen scale written into the installed product's configuration
// files. Path building and the flag rule are plain functions; the writers are thin.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

// installDir + "\config\tallowind.Default.pub" and "...\config\tallowind.Default.pri".
std::string ProductConfigPubPath(const std::string& installDir);
std::string ProductConfigPriPath(const std::string& installDir);
// The .pri file as the display-scale writer names it: "%s/config/tallowind.Default.pri" with
// installDir (forward slashes), formatted into a 260-byte buffer; empty when it does not fit.
std::string DisplayScalePriPath(const std::string& installDir);

// Writes "package" = packageCode into the .pub file, then "language" = languageId ("%d"),
// "endpoint" and "company" into the .pri file, all in section "tallowind" of the files below
// installDir. Results are ignored.
void WriteProductConfigValues(const std::string& installDir, const std::string& packageCode,
                              int32_t languageId, const std::string& endpoint,
                              const std::string& company);

// The same for ProductSettings, with the endpoint and company code of string resources 107 and
// 108. The install worker calls it once the product is in place.
void WriteProductConfig();

// The "awaredpi" flag for a monitor's effective horizontal DPI: 1 when it is a whole multiple of
// 96 greater than 96 (192, 288, ...), else 0 (96, 120, 144, 168, ...).
int DisplayScaleFlagFor(UINT dpiX);

// Makes the process per-monitor DPI aware through SHCore.dll, asks the effective DPI of the
// monitor nearest the desktop window and writes "awaredpi" into the .pri file of installDir
// (DisplayScalePriPath). Without SHCore.dll nothing is written; without either function the flag
// is 0. The dialog calls it when the user leaves after a successful installation.
void WriteDisplayScaleFlag();
