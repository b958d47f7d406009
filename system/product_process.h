// Ending a running copy of the product before an installation and starting it afterwards.
#pragma once

#include <string>

#include "platform/win32.h"

// Ends the first process named `executableName` (without regard to case) whose program is
// exactly installDir + "\" + executableName, then waits for it (at most 5 s) and 2.5 s more.
void TerminateRunningProduct(const wchar_t* executableName);

// Starts the product from installDir with the argument end, without waiting for it.
bool LaunchProduct();

// Id of the first running process called `executableName` whose program path equals
// `expectedPath` exactly; 0 when there is none.
DWORD FindRunningProcess(const std::wstring& executableName, const std::wstring& expectedPath);

// "\"" + installDir + "\OndrelDeskTrade.exe\" end"
std::string ProductCommandLine(const std::string& installDir);
