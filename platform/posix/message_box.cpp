// Message boxes without a screen: each box takes the next answer from
// <root>/messagebox-answers.txt (one per line: IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE,
// IDYES, IDNO or a number), else its default button, and is recorded in
// <root>/messagebox-log.txt as "answer<TAB>type<TAB>caption<TAB>text" (UTF-8, line breaks as \n).
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

const char* const kAnswerNames[] = {"",        "IDOK",     "IDCANCEL", "IDABORT",
                                    "IDRETRY", "IDIGNORE", "IDYES",    "IDNO"};

std::vector<int> Buttons(UINT type) {
    switch (type & 0xF) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {IDOK};
    }
}

int ParseAnswer(const std::string& text) {
    for (int i = 1; i <= 7; ++i)
        if (text == kAnswerNames[i]) return i;
    return atoi(text.c_str());
}

// Takes the first line of the answers file, keeping the rest for later boxes.
int NextScriptedAnswer(const std::string& file) {
    std::ifstream in(file);
    if (!in) return 0;
    std::string first, line;
    std::ostringstream rest;
    bool found = false;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!found) {
            if (line.empty()) continue;
            first = line;
            found = true;
        } else {
            rest << line << "\n";
        }
    }
    in.close();
    if (!found) return 0;
    std::ofstream out(file, std::ios::trunc);
    out << rest.str();
    return ParseAnswer(first);
}

std::string Escape(const std::wstring& text) {
    std::string out;
    for (char c : WideToUtf8(text)) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

std::mutex& BoxMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    std::lock_guard<std::mutex> lock(BoxMutex());
    std::string root = SystemRootDir();
    int answer = NextScriptedAnswer(root + "/messagebox-answers.txt");
    if (answer == 0) {
        std::vector<int> buttons = Buttons(type);
        size_t def = (type >> 8) & 0xF;
        answer = buttons[def < buttons.size() ? def : 0];
    }
    char typeText[16];
    snprintf(typeText, sizeof typeText, "0x%x", type);
    std::ofstream log(root + "/messagebox-log.txt", std::ios::app);
    log << (answer >= 1 && answer <= 7 ? kAnswerNames[answer] : std::to_string(answer).c_str())
        << "\t" << typeText << "\t" << Escape(WideOrEmpty(caption)) << "\t"
        << Escape(WideOrEmpty(text)) << "\n";
    return answer;
}

int MessageBoxA(HWND window, LPCSTR text, LPCSTR caption, UINT type) {
    return MessageBoxW(window, AnsiToWide(text).c_str(),
                       caption ? AnsiToWide(caption).c_str() : L"Error", type);
}
