// Conversions between code pages into fixed-size buffers: a result that does not fit (with its
// terminating NUL) is dropped, giving the empty text, rather than cut.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32.h"

constexpr UINT kPathCodePage = 936;  // narrow paths and brand texts

std::wstring NarrowToWide(UINT codePage, const std::string& text, size_t maxChars);
std::string WideToNarrow(UINT codePage, const std::wstring& text, size_t maxBytes);

// Code page 936 text as UTF-8 (through UTF-16: at most 1024 characters, then 260 bytes), the form
// of paths in the install log.
std::string PathTextToUtf8(const std::string& text);
