#include "app/main_loop.h"

#include "app/message_filter.h"
#include "ui/tallowind_dlg.h"

void RunMainLoop(TTallowindDlg& dialog) {
    MSG message;
    while (dialog.Running()) {
        // 0 is WM_QUIT; -1 (a failed call) would repeat for ever, so it ends the loop too.
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        bool installing = dialog.State() == DialogState::Installing;
        switch (ClassifyMessage(message, dialog.Handle(), installing)) {
            case LoopAction::Close:
                dialog.Close();
                break;
            case LoopAction::Dispatch:
                TranslateMessage(&message);
                DispatchMessageW(&message);
                break;
            case LoopAction::Drop:
            case LoopAction::Refuse:
                break;
        }
    }
}
