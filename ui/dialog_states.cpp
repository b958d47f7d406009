#include "ui/dialog_states.h"

namespace ui {

namespace {

DialogStep Stay(DialogState state, DialogAction action) {
    return {state, action};
}

// Presses: the button first, then Browse, then the link; whatever is left drags the window. A
// press on the button outside Idle and Done does nothing at all, so it does not drag either.
DialogStep OnPress(DialogState state, DialogEvent event, bool panelShown) {
    bool idle = state == DialogState::Idle;
    switch (event) {
        case DialogEvent::ButtonPressed:
            if (idle) return Stay(state, DialogAction::StartInstall);
            if (state == DialogState::Done) return Stay(state, DialogAction::OpenProduct);
            return Stay(state, DialogAction::None);
        case DialogEvent::BrowsePressed:
            if (idle && panelShown) return Stay(state, DialogAction::PickFolder);
            break;
        case DialogEvent::LinkPressed:
            if (idle) return Stay(state, DialogAction::TogglePanel);
            break;
        default:
            break;
    }
    return Stay(state, DialogAction::Drag);
}

// Closing is refused while the worker runs: its folder swap must not be cut off.
DialogStep OnClose(DialogState state, DialogEvent event) {
    if (state == DialogState::Installing) return Stay(state, DialogAction::None);
    if (event == DialogEvent::SystemClose) return Stay(state, DialogAction::Close);
    if (state == DialogState::Done) return Stay(state, DialogAction::CloseAfterDone);
    return Stay(state, DialogAction::CloseWindow);
}

}  // namespace

DialogStep NextDialogStep(DialogState state, DialogEvent event, bool panelShown) {
    switch (event) {
        case DialogEvent::ButtonPressed:
        case DialogEvent::BrowsePressed:
        case DialogEvent::LinkPressed:
        case DialogEvent::ElsewherePressed:
            return OnPress(state, event, panelShown);
        case DialogEvent::CloseReleased:
        case DialogEvent::SystemClose:
            return OnClose(state, event);
        case DialogEvent::InstallStarted:
            return {DialogState::Installing, DialogAction::None};
        case DialogEvent::InstallProgress:
            return {DialogState::Installing, DialogAction::ShowProgress};
        case DialogEvent::InstallStep:
            return Stay(state, DialogAction::ShowStep);
        case DialogEvent::InstallFailed:
            return {DialogState::Failed, DialogAction::ShowFailure};
        case DialogEvent::InstallDone:
            return {DialogState::Done, DialogAction::ShowDone};
    }
    return Stay(state, DialogAction::None);
}

DialogEvent PressEventFor(DialogElement element) {
    switch (element) {
        case DialogElement::Button:
            return DialogEvent::ButtonPressed;
        case DialogElement::Browse:
            return DialogEvent::BrowsePressed;
        case DialogElement::Link:
            return DialogEvent::LinkPressed;
        default:
            return DialogEvent::ElsewherePressed;
    }
}

}  // namespace ui
