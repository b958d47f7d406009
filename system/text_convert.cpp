#include "system/text_convert.h"

#include <vector>

std::wstring NarrowToWide(UINT codePage, const std::string& text, size_t maxChars) {
    if (maxChars == 0) return std::wstring();
    std::vector<wchar_t> buffer(maxChars, L'\0');
    int n = MultiByteToWideChar(codePage, 0, text.c_str(), -1, buffer.data(), int(maxChars));
    return n > 0 ? std::wstring(buffer.data()) : std::wstring();
}

std::string WideToNarrow(UINT codePage, const std::wstring& text, size_t maxBytes) {
    if (maxBytes == 0) return std::string();
    std::vector<char> buffer(maxBytes, '\0');
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), -1, buffer.data(), int(maxBytes),
                                nullptr, nullptr);
    return n > 0 ? std::string(buffer.data()) : std::string();
}

std::string PathTextToUtf8(const std::string& text) {
    return WideToNarrow(CP_UTF8, NarrowToWide(kPathCodePage, text, 1024), 260);
}
