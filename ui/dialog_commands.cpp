// The dialog's commands and its handling of the workflow's messages: what the state machine's
// actions mean against the window system, the shell and the workflow.
#include "system/file_helpers.h"
#include "system/install_log.h"
#include "system/product_config.h"
#include "system/product_names.h"
#include "system/product_process.h"
#include "system/product_settings.h"
#include "ui/tallowind_dlg.h"
#include "ui/text_tables.h"
#include "workflow/install_worker.h"
#include "workflow/version_files.h"

namespace {

// "浏览文件夹" in code page 936: the picker is the narrow one.
constexpr char kPickerTitle[] = "\xE4\xAF\xC0\xC0\xCE\xC4\xBC\xFE\xBC\xD0";
constexpr wchar_t kReinstallWarning[] =
    L"请注意，重新安装应用程序可能会导致某些数据丢失或设置重置，请谨慎操作。是否继续安装？";
constexpr wchar_t kWarningCaption[] = L"警告";

// The folder the person chose, or "" when the picker was cancelled or could not be shown.
std::string AskForFolder(HWND owner) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return std::string();
    char path[2046] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = path;
    info.lpszTitle = kPickerTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    std::string result;
    if (chosen) {
        if (SHGetPathFromIDListA(chosen, path)) result = path;
        allocator->Free(chosen);
    }
    allocator->Release();
    return result;
}

}  // namespace

void TTallowindDlg::Carry(ui::DialogStep step, WPARAM wParam, LPARAM lParam) {
    m_state = step.next;
    switch (step.action) {
        case ui::DialogAction::StartInstall:
            StartInstall();
            break;
        case ui::DialogAction::OpenProduct:
            OpenProduct();
            break;
        case ui::DialogAction::PickFolder:
            PickFolder();
            break;
        case ui::DialogAction::TogglePanel:
            m_panelHidden = !m_panelHidden;
            Invalidate();
            break;
        case ui::DialogAction::Drag:
            DragOnPress(wParam, lParam);
            break;
        case ui::DialogAction::CloseWindow:
        case ui::DialogAction::CloseAfterDone:
            ShowWindow(m_hWnd, SW_HIDE);
            if (step.action == ui::DialogAction::CloseAfterDone) WriteDisplayScaleFlag();
            Close();
            break;
        case ui::DialogAction::Close:
            Close();
            break;
        default:
            break;
    }
}

void TTallowindDlg::PickFolder() {
    std::string folder = AskForFolder(m_hWnd);
    if (folder.empty()) return;
    ProductSettings& settings = ProductSettings::Instance();
    settings.installDir = folder + "\\" + settings.productFolderName;
    Invalidate();
}

void TTallowindDlg::OpenProduct() {
    ShowWindow(m_hWnd, SW_HIDE);
    WriteDisplayScaleFlag();
    LaunchProduct();
    Close();
}

bool TTallowindDlg::ConfirmReinstall() const {
    const std::string& folder = ProductSettings::Instance().installDir;
    if (_access(folder.c_str(), 0) != 0 || IsFolderEmpty(folder.c_str())) return true;
    return MessageBoxW(m_hWnd, kReinstallWarning, kWarningCaption, MB_OKCANCEL) == IDOK;
}

void TTallowindDlg::StartInstall() {
    TerminateRunningProduct(kProductExecutableW);
    if (!ConfirmReinstall()) return;
    const std::string& staging = ProductSettings::Instance().stagingDir;
    DeletePath(staging.c_str());
    MakeDirs((staging + "\\").c_str());
    OpenInstallLog();
    UpdateWindow(m_hWnd);
    // The summary is read here, before the worker exists; a failed read shows in the worker's
    // downloads.
    ReadSummary(*this);
    m_state = ui::NextDialogStep(m_state, ui::DialogEvent::InstallStarted, !m_panelHidden).next;
    uintptr_t thread =
        _beginthreadex(nullptr, 0, InstallWorker, static_cast<IClient*>(this), 0, nullptr);
    // The worker is never joined; its handle is not needed.
    if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
    if (m_progress && IsWindow(m_progress->Handle())) {
        const RECT& at = m_layout.progress;
        MoveWindow(m_progress->Handle(), at.left, at.top, at.right - at.left, at.bottom - at.top,
                   FALSE);
    }
}

void TTallowindDlg::OnWorkflowMessage(UINT message, LPARAM lParam) {
    ui::DialogEvent event = message == WM_INSTALL_PROGRESS ? ui::DialogEvent::InstallProgress
                            : message == WM_INSTALL_DONE   ? ui::DialogEvent::InstallDone
                            : message == WM_INSTALL_FAILED ? ui::DialogEvent::InstallFailed
                                                           : ui::DialogEvent::InstallStep;
    ui::DialogStep step = ui::NextDialogStep(m_state, event, !m_panelHidden);
    m_state = step.next;
    switch (step.action) {
        case ui::DialogAction::ShowProgress:
            m_progress->SetPosition(int(lParam));
            InvalidateRect(m_progress->Handle(), nullptr, FALSE);
            break;
        case ui::DialogAction::ShowDone:
            ShowWindow(m_progress->Handle(), SW_HIDE);
            break;
        case ui::DialogAction::ShowFailure:
            CloseInstallLog();
            m_statusText = std::wstring(StepCaption(int(lParam))) + UiText(6);
            break;
        case ui::DialogAction::ShowStep:
            m_statusText = StepCaption(int(lParam));
            break;
        default:
            break;
    }
    Invalidate();
    if (step.action == ui::DialogAction::ShowDone) UpdateWindow(m_hWnd);
}
