#include "workflow/install_state.h"

HWND DialogWindowHandle = nullptr;

namespace {
// Without a dialog window nothing is posted: PostMessageW to a null window would post a thread
// message to the caller's own queue.
BOOL PostToDialog(UINT message, LPARAM value) {
    if (!DialogWindowHandle) return FALSE;
    return PostMessageW(DialogWindowHandle, message, 0, value);
}
}  // namespace

BOOL PostInstallProgress(int32_t position) {
    return PostToDialog(WM_INSTALL_PROGRESS, LPARAM(position));
}

BOOL PostInstallDone() {
    return PostToDialog(WM_INSTALL_DONE, 0);
}

BOOL PostInstallFailed(int stepCode) {
    return PostToDialog(WM_INSTALL_FAILED, LPARAM(stepCode));
}

BOOL PostInstallStep(int stepCode) {
    return PostToDialog(WM_INSTALL_STEP, LPARAM(stepCode));
}
