// Window classes: registration by name for the process, and the system cursors classes name.
#include <memory>
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/text.h"
#include "platform/posix/window_system.h"

using namespace winlayer;

namespace {

// The one system cursor the installer asks for; a value distinct from every handle table.
HCURSOR const kArrowCursor = reinterpret_cast<HCURSOR>(uintptr_t(0x10003));
const WORD kFirstClassAtom = 0xC000;

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || !*wc->lpszClassName ||
        wc->cbWndExtra < 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto added = std::make_shared<WindowClass>();
    added->name = wc->lpszClassName;
    added->style = wc->style;
    added->proc = wc->lpfnWndProc;
    added->extraBytes = wc->cbWndExtra;
    WindowSystem& system = Windows();
    std::lock_guard<std::mutex> lock(system.mutex);
    if (!system.classes.emplace(ToUpperWide(added->name), added).second) {
        SetError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return ATOM(kFirstClassAtom + system.classes.size() - 1);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (!instance && name == IDC_ARROW) return kArrowCursor;
    SetError(ERROR_FILE_NOT_FOUND);  // no cursor resources of our own
    return nullptr;
}
