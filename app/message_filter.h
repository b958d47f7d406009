// Which messages the installer's main loop lets through. The loop serves the one dialog: its own
// messages and those of its child windows are dispatched, anything else of the thread below the
// application range (a click on an unrelated window) is dropped.
#pragma once

#include "platform/win32.h"

enum class LoopAction {
    Dispatch,  // translate and dispatch
    Drop,      // not for the dialog
    Close,     // the system close command: the dialog closes itself
    Refuse,    // the system close command while an installation runs: ignored, so the worker
               // is never cut off between setting the old installation aside and moving the new
               // version in
};

// What the loop does with `message` for the dialog window `dialog`.
LoopAction ClassifyMessage(const MSG& message, HWND dialog, bool installing);

// True when `window` is the dialog or its child, grandchild or great-grandchild.
bool BelongsToDialog(HWND window, HWND dialog);
