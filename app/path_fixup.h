// The PATH the installer and every program it starts run with: the system folder is appended, so
// that the copy step finds XCOPY by its bare name through the command interpreter.
#pragma once

#include <string>

// Bytes of the PATH buffer, in wide characters.
constexpr size_t kPathBufferChars = 65536;

// The new PATH for the current value and the system root (narrow, code page 936): a ";" after a
// non-empty value that lacks one, then systemRoot + "\system32;" (dropped when its conversion gives
// more than 1024 characters). An existing system32 entry is not looked for.
std::wstring PathWithSystemFolder(const std::wstring& path, const std::string& systemRoot);

// Stores PathWithSystemFolder of the process's "path" and "SystemRoot" as "Path"; without
// SystemRoot the PATH stays as it is.
void FixProcessPath();
