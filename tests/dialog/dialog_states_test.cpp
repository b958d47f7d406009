// The dialog's state machine, event by event, in every state.
#include <gtest/gtest.h>

#include "ui/dialog_states.h"

namespace {

using A = ui::DialogAction;
using Ev = ui::DialogEvent;
using S = DialogState;

struct StepCase {
    S from;
    Ev event;
    bool panelShown;
    S to;
    A action;
};

const char* Name(S state) {
    static const char* names[] = {"Idle", "Installing", "Failed", "Done"};
    return names[int(state)];
}

TEST(DialogStates, ValuesOfTheStates) {
    EXPECT_EQ(int(S::Idle), 0);
    EXPECT_EQ(int(S::Installing), 1);
    EXPECT_EQ(int(S::Failed), 2);
    EXPECT_EQ(int(S::Done), 3);
}

TEST(DialogStates, EveryEventInEveryState) {
    const StepCase cases[] = {
        // The Install/Open button.
        {S::Idle, Ev::ButtonPressed, false, S::Idle, A::StartInstall},
        {S::Idle, Ev::ButtonPressed, true, S::Idle, A::StartInstall},
        {S::Installing, Ev::ButtonPressed, false, S::Installing, A::None},
        {S::Failed, Ev::ButtonPressed, false, S::Failed, A::None},
        {S::Done, Ev::ButtonPressed, false, S::Done, A::OpenProduct},
        // Browse only while idle with the panel shown; otherwise its spot drags.
        {S::Idle, Ev::BrowsePressed, true, S::Idle, A::PickFolder},
        {S::Idle, Ev::BrowsePressed, false, S::Idle, A::Drag},
        {S::Installing, Ev::BrowsePressed, true, S::Installing, A::Drag},
        {S::Failed, Ev::BrowsePressed, true, S::Failed, A::Drag},
        {S::Done, Ev::BrowsePressed, true, S::Done, A::Drag},
        // The link only while idle.
        {S::Idle, Ev::LinkPressed, false, S::Idle, A::TogglePanel},
        {S::Idle, Ev::LinkPressed, true, S::Idle, A::TogglePanel},
        {S::Installing, Ev::LinkPressed, false, S::Installing, A::Drag},
        {S::Failed, Ev::LinkPressed, false, S::Failed, A::Drag},
        {S::Done, Ev::LinkPressed, false, S::Done, A::Drag},
        // Anything else drags in every state.
        {S::Idle, Ev::ElsewherePressed, true, S::Idle, A::Drag},
        {S::Installing, Ev::ElsewherePressed, false, S::Installing, A::Drag},
        {S::Failed, Ev::ElsewherePressed, false, S::Failed, A::Drag},
        {S::Done, Ev::ElsewherePressed, false, S::Done, A::Drag},
        // The close box, and the system's close command, are refused while installing.
        {S::Idle, Ev::CloseReleased, false, S::Idle, A::CloseWindow},
        {S::Installing, Ev::CloseReleased, false, S::Installing, A::None},
        {S::Failed, Ev::CloseReleased, false, S::Failed, A::CloseWindow},
        {S::Done, Ev::CloseReleased, false, S::Done, A::CloseAfterDone},
        {S::Idle, Ev::SystemClose, false, S::Idle, A::Close},
        {S::Installing, Ev::SystemClose, false, S::Installing, A::None},
        {S::Failed, Ev::SystemClose, false, S::Failed, A::Close},
        {S::Done, Ev::SystemClose, false, S::Done, A::Close},
        // StartInstall past the warning.
        {S::Idle, Ev::InstallStarted, false, S::Installing, A::None},
        // The workflow's messages.
        {S::Idle, Ev::InstallProgress, false, S::Installing, A::ShowProgress},
        {S::Installing, Ev::InstallProgress, false, S::Installing, A::ShowProgress},
        {S::Failed, Ev::InstallProgress, false, S::Installing, A::ShowProgress},
        {S::Done, Ev::InstallProgress, false, S::Installing, A::ShowProgress},
        {S::Installing, Ev::InstallStep, false, S::Installing, A::ShowStep},
        {S::Idle, Ev::InstallStep, false, S::Idle, A::ShowStep},
        {S::Installing, Ev::InstallFailed, false, S::Failed, A::ShowFailure},
        {S::Installing, Ev::InstallDone, false, S::Done, A::ShowDone},
    };
    for (const StepCase& c : cases) {
        ui::DialogStep step = ui::NextDialogStep(c.from, c.event, c.panelShown);
        EXPECT_EQ(Name(step.next), Name(c.to)) << Name(c.from) << " event " << int(c.event);
        EXPECT_EQ(int(step.action), int(c.action)) << Name(c.from) << " event " << int(c.event);
    }
}

TEST(DialogStates, PressEventOfEachElement) {
    EXPECT_EQ(ui::PressEventFor(ui::DialogElement::Button), Ev::ButtonPressed);
    EXPECT_EQ(ui::PressEventFor(ui::DialogElement::Browse), Ev::BrowsePressed);
    EXPECT_EQ(ui::PressEventFor(ui::DialogElement::Link), Ev::LinkPressed);
    EXPECT_EQ(ui::PressEventFor(ui::DialogElement::CloseBox), Ev::ElsewherePressed);
    EXPECT_EQ(ui::PressEventFor(ui::DialogElement::None), Ev::ElsewherePressed);
}

}  // namespace
