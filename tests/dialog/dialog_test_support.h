// Helpers for the dialog tests in both builds: the sample brand as the program's resources, a live
// dialog made the way the entry point makes it, and pixel lookups on canvases.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "ui/tallowind_dlg.h"
#include "win_test_support.h"

namespace dialogtest {

// Pictures 101 and 104, icon 102 and strings 103 to 108 of the sample brand: compiled into the
// Windows test program, registered with the layer natively.
void UseBrandResources();

// A dialog created, set up, running, shown and placed as at start-up, in English, with its folders
// below a fresh temporary folder; painted once. The object is destroyed with the helper (or by
// DestroyObject), as the entry point does after its loop.
class LiveDialog {
  public:
    LiveDialog();
    ~LiveDialog();
    LiveDialog(const LiveDialog&) = delete;
    LiveDialog& operator=(const LiveDialog&) = delete;

    TTallowindDlg& Dialog() { return *dialog_; }
    HWND Window() const { return window_; }
    const wintest::TempFolder& Folder() const { return folder_; }

    // The cursor to a client point of the dialog, with its messages handled.
    void MoveTo(POINT client);
    // A left-button press (MK_LBUTTON) or release at a client point.
    void Press(POINT client);
    void Release(POINT client);
    // Posts a workflow message to the dialog and handles it.
    void Post(UINT message, LPARAM lParam);
    // Shutdown's part: the dialog object goes.
    void DestroyObject();

  private:
    wintest::TempFolder folder_;
    std::unique_ptr<TTallowindDlg> dialog_;
    HWND window_ = nullptr;
};

// Answers the dialog's reinstall warning ("警告") once with `answer`: natively through the layer's
// queue, under Windows from a thread that finds the box and presses the button. A box with another
// caption is cancelled as well, so a test cannot hang on it, but does not count as answered.
class WarningAnswer {
  public:
    explicit WarningAnswer(int answer);
    ~WarningAnswer();
    WarningAnswer(const WarningAnswer&) = delete;
    WarningAnswer& operator=(const WarningAnswer&) = delete;
    // Warning boxes answered so far.
    int Answered() const;

  private:
    struct Thread;
    std::unique_ptr<Thread> thread_;
};

// The centre of a rectangle.
POINT Centre(const RECT& rect);

// The smallest rectangle inside `area` holding every pixel that is not `background`; empty
// (all zero) when there is none.
RECT InkBoxIn(const std::vector<COLORREF>& pixels, int width, const RECT& area,
              COLORREF background);

std::string Describe(COLORREF colour);

}  // namespace dialogtest
