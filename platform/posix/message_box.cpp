// Message boxes without a screen. Each box takes the next answer queued in this process through the
// test interface (QueueMessageBoxAnswer), else the next one from <root>/messagebox-answers.txt
// (one per line: IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO or a number; the route for
// boxes of other processes), else its default button. Every box is recorded in this process
// (MessageBoxRecords) and in <root>/messagebox-log.txt as "answer<TAB>type<TAB>caption<TAB>text"
// (UTF-8, line breaks as \n).
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/dialogs.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/test_interface.h"
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

// The boxes of this process: answers queued by tests and what was shown.
struct Boxes {
    std::mutex mutex;
    std::deque<int> answers;
    std::vector<test::MessageBoxRecord> records;
};
Boxes& TheBoxes() {
    static Boxes* boxes = new Boxes;
    return *boxes;
}

int DefaultAnswer(UINT type) {
    std::vector<int> buttons = Buttons(type);
    size_t def = (type >> 8) & 0xF;
    return buttons[def < buttons.size() ? def : 0];
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    Boxes& boxes = TheBoxes();
    std::lock_guard<std::mutex> lock(boxes.mutex);
    std::string root = SystemRootDir();
    int answer = 0;
    if (!boxes.answers.empty()) {
        answer = boxes.answers.front();
        boxes.answers.pop_front();
    } else {
        answer = NextScriptedAnswer(root + "/messagebox-answers.txt");
    }
    if (answer == 0) answer = DefaultAnswer(type);
    boxes.records.push_back({answer, type, WideOrEmpty(caption), WideOrEmpty(text)});
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

void winlayer::test::QueueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(TheBoxes().mutex);
    TheBoxes().answers.push_back(answer);
}

std::vector<winlayer::test::MessageBoxRecord> winlayer::test::MessageBoxRecords() {
    std::lock_guard<std::mutex> lock(TheBoxes().mutex);
    return TheBoxes().records;
}

void winlayer::ResetMessageBoxes() {
    std::lock_guard<std::mutex> lock(TheBoxes().mutex);
    TheBoxes().answers.clear();
    TheBoxes().records.clear();
}
