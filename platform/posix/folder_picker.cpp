// The folder picker without a screen: each picker takes the next queued answer of the test
// interface, else the first line of <root>/folder-answers.txt (a Windows path; an empty line is
// Cancel), else it is cancelled. Every picker is recorded: its title in this process, and
// "answer<TAB>title" (UTF-8, "" for Cancel) appended to <root>/folder-picker-log.txt.
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/dialogs.h"
#include "platform/posix/shell_items.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/test_interface.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {

namespace {

struct PickerState {
    std::mutex mutex;
    std::deque<std::string> answers;  // ANSI Windows paths; "" is Cancel
    std::vector<std::string> titles;
};

PickerState& Picker() {
    static PickerState* state = new PickerState;
    return *state;
}

// Takes the first line of the answers file, keeping the rest for later pickers. False when
// there is no file or no line left.
bool NextFileAnswer(const std::string& file, std::string& answer) {
    std::ifstream in(file);
    if (!in || !std::getline(in, answer)) return false;
    while (!answer.empty() && answer.back() == '\r') answer.pop_back();
    std::ostringstream rest;
    rest << in.rdbuf();
    in.close();
    std::ofstream(file, std::ios::trunc) << rest.str();
    return true;
}

// The chosen folder's own name: the last component of its path.
std::string LastName(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void ResetFolderPicker() {
    std::lock_guard<std::mutex> lock(Picker().mutex);
    Picker().answers.clear();
    Picker().titles.clear();
}

namespace test {

void QueueFolderAnswer(const std::string& windowsPath) {
    std::lock_guard<std::mutex> lock(Picker().mutex);
    Picker().answers.push_back(windowsPath);
}

std::vector<std::string> FolderPickerTitles() {
    std::lock_guard<std::mutex> lock(Picker().mutex);
    return Picker().titles;
}

}  // namespace test
}  // namespace winlayer

using namespace winlayer;

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA info) {
    if (!info) return nullptr;
    std::string title = info->lpszTitle ? info->lpszTitle : "";
    std::string root = SystemRootDir();
    std::string answer;
    {
        std::lock_guard<std::mutex> lock(Picker().mutex);
        Picker().titles.push_back(title);
        if (!Picker().answers.empty()) {
            answer = Picker().answers.front();
            Picker().answers.pop_front();
        } else {
            NextFileAnswer(root + "/folder-answers.txt", answer);
        }
        std::ofstream(root + "/folder-picker-log.txt", std::ios::app)
            << WideToUtf8(AnsiToWide(answer.c_str())) << "\t"
            << WideToUtf8(AnsiToWide(title.c_str())) << "\n";
    }
    if (answer.empty()) return nullptr;
    if (info->pszDisplayName) {
        std::string name = LastName(answer);
        CopyOut(name, info->pszDisplayName, MAX_PATH);
    }
    return ItemListForPath(AnsiToWide(answer.c_str()));
}
