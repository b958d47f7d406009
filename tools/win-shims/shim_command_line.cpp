#include "shim_command_line.h"

namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
}  // namespace

std::wstring AfterProgramName(const std::wstring& line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && line[i] == L'"') {
        size_t close = line.find(L'"', i + 1);
        i = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i])) ++i;
    }
    while (i < line.size() && IsBlank(line[i])) ++i;
    return line.substr(i);
}

std::vector<std::wstring> SplitWords(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false, any = false;
    for (wchar_t c : text) {
        if (c == L'"') {
            quoted = !quoted;
            any = true;
        } else if (IsBlank(c) && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}
