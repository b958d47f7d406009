// Text conversions of the native layer: wide strings hold UTF-16 code units in wchar_t; narrow
// Windows text is code page 936, host names are UTF-8. Not for code outside platform/.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace winlayer {

constexpr UINT kAnsiCodePage = 936;
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring AnsiToWide(const char* text);  // null gives empty
std::string WideToAnsi(const std::wstring& text);
std::wstring ToUpperWide(const std::wstring& text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
std::wstring WideOrEmpty(const wchar_t* text);

// Copies text plus NUL into buffer of size units. Returns the text length when it fits, otherwise
// the size needed including the NUL (the usual "buffer too small" answer of the path functions).
DWORD CopyOut(const std::wstring& text, wchar_t* buffer, DWORD size);
DWORD CopyOut(const std::string& text, char* buffer, DWORD size);

}  // namespace winlayer
