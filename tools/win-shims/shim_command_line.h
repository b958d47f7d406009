// Command-line handling shared by the shims: the rest of the line after the program name, and
// the simple word splitting of cmd.exe and xcopy.exe (blanks separate, quotes group and are
// dropped, backslashes have no special meaning).
#pragma once

#include <string>
#include <vector>

std::wstring AfterProgramName(const std::wstring& line);
std::vector<std::wstring> SplitWords(const std::wstring& text);
