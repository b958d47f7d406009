#include "app/message_filter.h"

namespace {
constexpr int kAncestorsLookedAt = 3;
}  // namespace

bool BelongsToDialog(HWND window, HWND dialog) {
    if (!window || !dialog) return false;
    if (window == dialog) return true;
    HWND ancestor = window;
    for (int level = 0; level < kAncestorsLookedAt; ++level) {
        ancestor = GetParent(ancestor);
        if (!ancestor) return false;
        if (ancestor == dialog) return true;
    }
    return false;
}

LoopAction ClassifyMessage(const MSG& message, HWND dialog, bool installing) {
    if (message.message == WM_SYSCOMMAND && message.wParam == SC_CLOSE && message.lParam == 0)
        return installing ? LoopAction::Refuse : LoopAction::Close;
    if (message.message >= WM_USER || message.message == WM_PAINT) return LoopAction::Dispatch;
    return BelongsToDialog(message.hwnd, dialog) ? LoopAction::Dispatch : LoopAction::Drop;
}
