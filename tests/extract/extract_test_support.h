// Shared steps of the extraction tests: a scratch folder with an install log, reading the log,
// listing what a folder holds, and answering the file-in-use box in both builds.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "win_test_support.h"

// A temporary folder whose install log is open while the object lives.
class ExtractScratch {
  public:
    ExtractScratch();
    ~ExtractScratch();
    const wintest::TempFolder& Dir() const { return dir_; }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // The log so far (UTF-8).
    std::string Log() const;

  private:
    wintest::TempFolder dir_;
};

// Every file and folder below folder, as relative paths with "\" ("a\", "a\b.txt"), sorted.
std::vector<std::string> TreeOf(const std::string& folder);

#ifdef _WIN32
// The file-in-use box when it is showing: a dialog of class "#32770" captioned 警告.
HWND FindFileInUseBox();
#endif

// Answers the next file-in-use boxes in order (IDABORT, IDRETRY, IDIGNORE). Natively through the
// layer's test interface; under Wine a thread finds each box, runs `beforeEachAnswer` (for
// instance to let go of the locked file) and then presses the button. A box beyond the given
// answers is answered Abort and fails the test, so that a wrong count never hangs it. Destroying
// the object waits for that thread.
class BoxAnswers {
  public:
    explicit BoxAnswers(std::vector<int> answers, std::function<void()> beforeEachAnswer = {});
    ~BoxAnswers();
    // Boxes answered so far.
    size_t Answered() const;
    // Caption + "|" + text of each box shown (UTF-8), when the build can tell; natively only.
    static std::vector<std::string> Shown();

  private:
    std::thread thread_;
    std::atomic<size_t> answered_{0};
    std::atomic<size_t> unexpected_{0};
    std::atomic<bool> stopping_{false};
};
