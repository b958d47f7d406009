// The installer's entry point: start-up, the dialog's loop, shutdown. Arguments are ignored and
// the exit code is always 0.
#include <memory>

#include "app/local_endpoint.h"
#include "app/main_loop.h"
#include "app/path_fixup.h"
#include "brand_resources.h"
#include "system/product_identity.h"
#include "ui/drawing_resources.h"
#include "ui/tallowind_dlg.h"

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CLIPCHILDREN;

int RunInstaller() {
    FixProcessPath();
    RegisterBrandResources();
    ui::CreateDrawingResources();
    LoadProductIdentity();
    ApplyLocalEndpoint();

    auto dialog = std::make_unique<TTallowindDlg>();
    dialog->Create(L"TModalWnd", nullptr, kDialogStyle, WS_EX_TOPMOST);
    dialog->OnInit();
    dialog->SetRunning(true);
    ShowWindow(dialog->Handle(), SW_SHOWNA);
    dialog->Place();
    RunMainLoop(*dialog);

    ui::ReleaseDrawingResources();
    dialog.reset();
    return 0;
}

}  // namespace

#ifdef _WIN32
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunInstaller();
}
#else
int main() {
    return RunInstaller();
}
#endif
