// Shared pieces of the settings tests.
#pragma once

#include <string>

#include "platform/win32.h"
#include "settings_test_strings.h"

namespace settingstest {

// Makes string resources 103 to 108 answer with the test texts: natively registers them (once),
// in the Windows build they are compiled into the program already.
void UseTestStrings();

// A text as LoadStringA gives it: in the ANSI code page (936 natively; under Wine that of its
// locale, where characters it lacks become "?").
std::string AnsiText(const std::wstring& text);

// Code page 936 bytes of a UTF-16 text.
std::string Text936(const std::wstring& text);

// A key of a profile (ini) file, read back with GetPrivateProfileStringA; "<absent>" when missing.
std::string ProfileValue(const std::string& file, const char* section, const char* key);

// Native build: writes a key of the layer's settings file (settings.ini in the system root of the
// current wintest::TempFolder). Not available in the Windows build.
bool SetMachineSetting(const char* section, const char* key, const char* value);

}  // namespace settingstest
