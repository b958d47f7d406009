// cmd.exe for the native layer: runs "/c <command line>" (or "/k") by starting the named program
// and ends with its exit code.
#include <cwctype>

#include "platform/win32.h"
#include "shim_command_line.h"

namespace {

// cmd's rule for a command that starts with a quote: the quotes stay only when the line holds
// exactly two and they enclose an existing program; otherwise the first and the last go.
std::wstring StripOuterQuotes(const std::wstring& command) {
    if (command.empty() || command[0] != L'"') return command;
    size_t quotes = 0;
    for (wchar_t c : command) quotes += c == L'"';
    size_t last = command.rfind(L'"');
    if (quotes == 2) {
        std::wstring program = command.substr(1, last - 1);
        if (GetFileAttributesW(program.c_str()) != INVALID_FILE_ATTRIBUTES) return command;
    }
    return command.substr(1, last - 1) + command.substr(last + 1);
}

}  // namespace

int main() {
    std::wstring rest = AfterProgramName(GetCommandLineW());
    if (rest.size() < 2 || rest[0] != L'/' ||
        (towlower(rest[1]) != L'c' && towlower(rest[1]) != L'k'))
        return 0;  // an interactive shell is not offered
    std::wstring command = rest.substr(2);
    while (!command.empty() && (command[0] == L' ' || command[0] == L'\t')) command.erase(0, 1);
    command = StripOuterQuotes(command);
    if (command.empty()) return 0;
    auto words = SplitWords(command);
    if (!words.empty() && _wcsicmp(words[0].c_str(), L"exit") == 0)  // the one built-in offered
        return words.size() > 1 ? int(wcstol(words[1].c_str(), nullptr, 10)) : 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring line = command;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        fwprintf(stderr,
                 L"'%ls' is not recognized as an internal or external command,\n"
                 L"operable program or batch file.\n",
                 words.empty() ? L"" : words[0].c_str());
        return 1;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return int(code);
}
