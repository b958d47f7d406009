// The installer dialog's state machine as a plain function: for a state, an event and the folder
// panel's visibility it gives the next state and what the window code has to do. The window code
// only carries out the action; every decision about what a click or a workflow message means in a
// state is made here.
#pragma once

#include "ui/dialog_layout.h"

enum class DialogState { Idle = 0, Installing = 1, Failed = 2, Done = 3 };

namespace ui {

enum class DialogEvent {
    ButtonPressed,     // left button down on the Install/Open button
    BrowsePressed,     // ... on the Browse button's rectangle (drawn or not)
    LinkPressed,       // ... on the custom-folder link
    ElsewherePressed,  // ... anywhere else, the close box included
    CloseReleased,     // left button up on the close box
    SystemClose,       // the main loop's close command (Alt+F4)
    InstallStarted,    // StartInstall got past the warning and started the worker
    InstallProgress,   // WM_INSTALL_PROGRESS
    InstallStep,       // WM_INSTALL_STEP
    InstallFailed,     // WM_INSTALL_FAILED
    InstallDone,       // WM_INSTALL_DONE
};

enum class DialogAction {
    None,
    StartInstall,    // end the product, ask over a non-empty folder, start the worker
    OpenProduct,     // hide, write the display-scale flag, start the product, close
    PickFolder,      // folder picker
    TogglePanel,     // show or hide the folder panel
    Drag,            // the base window's drag handling
    CloseWindow,     // hide and close
    CloseAfterDone,  // hide, write the display-scale flag and close
    Close,           // close (the system's command; the window is not hidden first)
    ShowProgress,    // progress position from the message
    ShowStep,        // status text = step caption
    ShowFailure,     // close the install log; status text = step caption + failure suffix
    ShowDone,        // hide the progress control and repaint at once
};

struct DialogStep {
    DialogState next;
    DialogAction action;
};

DialogStep NextDialogStep(DialogState state, DialogEvent event, bool panelShown);

// The press event of the element under the cursor.
DialogEvent PressEventFor(DialogElement element);

}  // namespace ui
