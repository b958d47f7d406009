// Drives a running program without a display: when OBJSTORE_UI_SCRIPT names a file, its steps run
// on a thread of their own from the first top-level window's creation on (platform/README.md
// describes the steps). A step that cannot be done, or a wait that times out, ends the script with
// a message on stderr naming the line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/posix/test_interface.h"
#include "platform/posix/window_system.h"

namespace winlayer {
namespace {

const auto kWaitLimit = std::chrono::seconds(30);
// A file another process makes may take a whole installation to appear.
const auto kFileWaitLimit = std::chrono::seconds(300);
const auto kFilePoll = std::chrono::milliseconds(50);

struct Driver {
    HWND window = nullptr;               // the first top-level window
    std::shared_ptr<ThreadQueue> queue;  // of the thread that made it
};

using Words = std::vector<std::string>;
using Step = std::function<bool(const Driver&, const Words&, std::string& error)>;

bool WaitUntil(const std::function<bool()>& done, const char* what, std::string& error) {
    std::unique_lock<std::mutex> lock(Windows().mutex);
    if (Windows().observers.wait_for(lock, kWaitLimit, done)) return true;
    error = std::string("timed out waiting for ") + what;
    return false;
}

bool Idle(const ThreadQueue& queue) {
    if (!queue.waiting || !queue.posted.empty() || queue.quit) return false;
    for (auto& entry : Windows().windows)
        if (entry.second->queue.get() == &queue && NeedsPaint(*entry.second)) return false;
    return true;
}

bool Numbers(const Words& words, size_t count, std::vector<int>& out, std::string& error) {
    out.clear();
    for (size_t i = 1; i < words.size(); ++i) {
        char* end;
        long value = strtol(words[i].c_str(), &end, 10);
        if (*end || words[i].empty()) break;
        out.push_back(int(value));
    }
    if (out.size() == count && words.size() == count + 1) return true;
    error = "expected " + std::to_string(count) + " number(s) after " + words[0];
    return false;
}

bool RunScript(const std::string& path, const Driver& driver);

// Kept for the life of the process: the script thread may still run while the program exits.
const std::map<std::string, Step>& Steps() {
    static const auto* steps = new std::map<std::string, Step>{
        {"move",
         [](const Driver&, const Words& w, std::string& error) {
             std::vector<int> n;
             if (!Numbers(w, 2, n, error)) return false;
             test::MoveMouse(n[0], n[1]);
             return true;
         }},
        {"move-client",
         [](const Driver& d, const Words& w, std::string& error) {
             std::vector<int> n;
             if (!Numbers(w, 2, n, error)) return false;
             test::MoveMouseInClient(d.window, n[0], n[1]);
             return true;
         }},
        {"press",
         [](const Driver&, const Words& w, std::string& error) {
             DWORD keys = 0;
             for (size_t i = 1; i < w.size(); ++i) {
                 if (w[i] == "ctrl")
                     keys |= MK_CONTROL;
                 else if (w[i] == "shift")
                     keys |= MK_SHIFT;
                 else
                     return error = "unknown key " + w[i], false;
             }
             test::PressLeft(keys);
             return true;
         }},
        {"release",
         [](const Driver&, const Words&, std::string&) {
             test::ReleaseLeft();
             return true;
         }},
        {"wait-ms",
         [](const Driver&, const Words& w, std::string& error) {
             std::vector<int> n;
             if (!Numbers(w, 1, n, error)) return false;
             std::this_thread::sleep_for(std::chrono::milliseconds(n[0]));
             return true;
         }},
        {"wait-idle",
         [](const Driver& d, const Words&, std::string& error) {
             return WaitUntil([&] { return Idle(*d.queue); }, "the window's thread to go idle",
                              error);
         }},
        {"wait-paint",
         [](const Driver& d, const Words&, std::string& error) {
             uint64_t before;
             {
                 std::lock_guard<std::mutex> lock(Windows().mutex);
                 auto window = Windows().windows.find(d.window);
                 if (window == Windows().windows.end()) return error = "the window is gone", false;
                 before = window->second->paintsEnded;
             }
             return WaitUntil(
                 [&] {
                     auto window = Windows().windows.find(d.window);
                     return window == Windows().windows.end() ||
                            window->second->paintsEnded > before;
                 },
                 "a paint", error);
         }},
        {"wait-window-gone",
         [](const Driver&, const Words&, std::string& error) {
             return WaitUntil(
                 [] {
                     for (auto& entry : Windows().windows)
                         if (IsTopLevel(*entry.second)) return false;
                     return true;
                 },
                 "every window to close", error);
         }},
        {"wait-file",
         [](const Driver&, const Words& w, std::string& error) {
             if (w.size() != 2) return error = "expected one path after wait-file", false;
             // Another process makes the file, so there is nothing to be notified of: poll.
             const auto end = std::chrono::steady_clock::now() + kFileWaitLimit;
             while (access(w[1].c_str(), F_OK) != 0) {
                 if (std::chrono::steady_clock::now() > end)
                     return error = "timed out waiting for " + w[1], false;
                 std::this_thread::sleep_for(kFilePoll);
             }
             return true;
         }},
        {"run-file",
         [](const Driver& d, const Words& w, std::string& error) {
             if (w.size() != 2) return error = "expected one path after run-file", false;
             // The file's own failure has been reported with its line; this one only stops here.
             if (!RunScript(w[1], d)) return error = "the steps of " + w[1] + " stopped", false;
             return true;
         }},
        {"save",
         [](const Driver& d, const Words& w, std::string& error) {
             if (w.size() != 2) return error = "expected one path after save", false;
             if (!test::SaveWindowPng(d.window, w[1]))
                 return error = "could not save " + w[1], false;
             return true;
         }},
    };
    return *steps;
}

// Runs the steps of one file; false when a step failed (reported on stderr) or the file is
// unreadable.
bool RunScript(const std::string& path, const Driver& driver) {
    std::ifstream in(path);
    if (!in) {
        fprintf(stderr, "OBJSTORE_UI_SCRIPT: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream parts(line);
        Words words;
        for (std::string word; parts >> word;) words.push_back(word);
        if (words.empty() || words[0][0] == '#') continue;
        auto step = Steps().find(words[0]);
        std::string error = "unknown step '" + words[0] + "'";
        if (step == Steps().end() || !step->second(driver, words, error)) {
            fprintf(stderr, "OBJSTORE_UI_SCRIPT %s:%d: %s\n", path.c_str(), number, error.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

void StartScriptOnce() {
    static std::once_flag started;
    const char* variable = getenv("OBJSTORE_UI_SCRIPT");
    if (!variable || !*variable) return;
    std::call_once(started, [path = std::string(variable)] {
        // The script drives this program only: a program it starts (the installed product after
        // Open) must not run it again in its own first window.
        unsetenv("OBJSTORE_UI_SCRIPT");
        Driver driver;
        {
            std::lock_guard<std::mutex> lock(Windows().mutex);
            driver.window = Windows().firstTopLevel;
            auto window = LookupWindow(driver.window);
            if (!window) return;
            driver.queue = window->queue;
        }
        std::thread([path, driver] { RunScript(path, driver); }).detach();
    });
}

}  // namespace winlayer
