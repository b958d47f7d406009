#include "extract_test_support.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "system/install_log.h"
#include "system/product_settings.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

ExtractScratch::ExtractScratch() {
    ProductSettings::Instance().logDir = dir_ / "logs";
    OpenInstallLog();
}

ExtractScratch::~ExtractScratch() {
    CloseInstallLog();
}

std::string ExtractScratch::Log() const {
    if (InstallLogFile) fflush(InstallLogFile);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir_ / "logs\\*.log").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    FindClose(find);
    return wintest::ReadBytes(dir_ / ("logs\\" + std::string(data.cFileName)));
}

namespace {
void ListInto(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(prefix + name + "\\");
            ListInto(folder + "\\" + name, prefix + name + "\\", out);
        } else {
            out.push_back(prefix + name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}
}  // namespace

std::vector<std::string> TreeOf(const std::string& folder) {
    std::vector<std::string> tree;
    ListInto(folder, "", tree);
    std::sort(tree.begin(), tree.end());
    return tree;
}

#ifndef _WIN32

BoxAnswers::BoxAnswers(std::vector<int> answers, std::function<void()>) {
    winlayer::test::ResetDialogs();
    for (int answer : answers) winlayer::test::QueueMessageBoxAnswer(answer);
}

BoxAnswers::~BoxAnswers() {
    winlayer::test::ResetDialogs();
}

size_t BoxAnswers::Answered() const {
    return winlayer::test::MessageBoxRecords().size();
}

std::vector<std::string> BoxAnswers::Shown() {
    std::vector<std::string> shown;
    for (const auto& box : winlayer::test::MessageBoxRecords())
        shown.push_back(wintest::Utf8(box.caption) + "|" + wintest::Utf8(box.text));
    return shown;
}

#else

HWND FindFileInUseBox() {
    // The caption's code page 936 bytes, read in the same ANSI code page as the box was given them.
    return FindWindowA("#32770", "\xBE\xAF\xB8\xE6");
}

namespace {
// A button's command ends the box with that button's id.
HWND WaitForBox() {
    for (int i = 0; i < 400; ++i) {
        HWND box = FindFileInUseBox();
        if (box) return box;
        Sleep(50);
    }
    return nullptr;
}
}  // namespace

namespace {
void Press(HWND box, int answer) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    for (int i = 0; i < 400 && IsWindow(box); ++i) Sleep(50);
}
}  // namespace

BoxAnswers::BoxAnswers(std::vector<int> answers, std::function<void()> beforeEachAnswer)
    : thread_([this, answers, beforeEachAnswer] {
          for (int answer : answers) {
              HWND box = WaitForBox();
              if (!box) return;
              if (beforeEachAnswer) beforeEachAnswer();
              ++answered_;  // counted before the box ends, so the caller sees it at once
              Press(box, answer);
          }
          while (!stopping_) {
              if (HWND box = FindFileInUseBox()) {
                  ++unexpected_;
                  Press(box, IDABORT);
              }
              Sleep(50);
          }
      }) {}

BoxAnswers::~BoxAnswers() {
    stopping_ = true;
    thread_.join();
    if (unexpected_ > 0) ADD_FAILURE() << unexpected_ << " box(es) more than answers were given";
}

size_t BoxAnswers::Answered() const {
    return answered_;
}

std::vector<std::string> BoxAnswers::Shown() {
    return {};
}

#endif
