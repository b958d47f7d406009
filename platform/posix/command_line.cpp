#include "platform/posix/command_line.h"
#include <string>
#include <vector>

namespace winlayer {
namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> args;
    size_t i = 0, n = line.size();
    // The program name: no escapes.
    std::wstring program;
    if (i < n && line[i] == L'"') {
        ++i;
        while (i < n && line[i] != L'"') program += line[i++];
        if (i < n) ++i;
    } else {
        while (i < n && !IsBlank(line[i])) program += line[i++];
    }
    args.push_back(program);
    while (true) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::wstring arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'\\') {
                size_t count = 0;
                while (i < n && line[i] == L'\\') {
                    ++count;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    arg.append(count / 2, L'\\');
                    if (count % 2) {
                        arg += L'"';
                        ++i;
                    }
                } else {
                    arg.append(count, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::vector<std::wstring> ProgramCandidates(const std::wstring& line) {
    std::vector<std::wstring> names;
    size_t i = 0, n = line.size();
    while (i < n && IsBlank(line[i])) ++i;
    if (i < n && line[i] == L'"') {
        size_t close = line.find(L'"', i + 1);
        names.push_back(
            line.substr(i + 1, close == std::wstring::npos ? std::wstring::npos : close - i - 1));
        return names;
    }
    size_t start = i;
    while (i < n) {
        while (i < n && !IsBlank(line[i])) ++i;
        names.push_back(line.substr(start, i - start));
        while (i < n && IsBlank(line[i])) ++i;
    }
    return names;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace winlayer
