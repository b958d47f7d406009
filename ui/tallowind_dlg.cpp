#include "ui/tallowind_dlg.h"

#include "system/default_folders.h"
#include "system/file_helpers.h"
#include "system/install_log.h"
#include "system/product_settings.h"
#include "system/text_convert.h"
#include "ui/dialog_placement.h"
#include "ui/frame_geometry.h"
#include "workflow/storage_settings.h"

namespace {

constexpr COLORREF kProgressColour = RGB(71, 156, 220);
constexpr UINT kIconId = 102;

}  // namespace

TTallowindDlg::TTallowindDlg() {
    m_closeBoxSize = ui::kDialogCloseBoxSize;
}

TTallowindDlg::~TTallowindDlg() {
    // The progress control's window must go before its object; normally Close already took both.
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    delete m_progress;
    m_progress = nullptr;
    if (InstallLogFile) CloseInstallLog();
    if (m_state == DialogState::Failed) DeletePath(ProductSettings::Instance().stagingDir.c_str());
    // The dialog goes at shutdown; the worker ended before (the dialog closes only when no
    // installation runs), so no download uses the client any more.
    DestroyStorageClient(*this);
}

void TTallowindDlg::OnInit() {
    SetWindowTextW(m_hWnd, L"远帆");
    m_progress =
        new TProcess(CreatePen(PS_SOLID, 1, kProgressColour), CreateSolidBrush(kProgressColour));
    m_progress->Create(L"TProcess", m_hWnd, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0);
    DialogWindowHandle = m_hWnd;
    LoadDefaultFolders(ProductSettings::Instance());
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    LoadStorageSettings(*this);
    CreateStorageClient(*this);
}

void TTallowindDlg::Place() {
    POINT cursor{};
    GetCursorPos(&cursor);
    POINT origin =
        ui::DialogOrigin(cursor, ui::CurrentDisplayAreas(), GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(m_hWnd, origin.x, origin.y, ui::kDialogWidth, ui::kDialogHeight, TRUE);
}

void TTallowindDlg::Close() {
    // A short pause, so a release on the close box or the Open button is seen to land.
    Sleep(500);
    TModalWnd::Close();
}

LRESULT TTallowindDlg::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            TModalWnd::WndProc(message, wParam, lParam);
            RECT client{};
            GetClientRect(m_hWnd, &client);
            m_layout = ui::DialogLayoutFor(client.right - client.left, client.bottom - client.top);
            return 0;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_MOUSEMOVE:
            TrackHover(true);
            return 0;
        case WM_MOUSELEAVE:
            TrackHover(false);
            return 0;
        case WM_LBUTTONDOWN:
            OnPress(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            OnRelease();
            return 0;
        case WM_INSTALL_PROGRESS:
        case WM_INSTALL_DONE:
        case WM_INSTALL_FAILED:
        case WM_INSTALL_STEP:
            OnWorkflowMessage(message, lParam);
            return 0;
        default:
            return TModalWnd::WndProc(message, wParam, lParam);
    }
}

ui::DialogLook TTallowindDlg::Look() const {
    ui::DialogLook look;
    look.state = m_state;
    look.panelShown = !m_panelHidden;
    look.buttonHover = m_buttonHover;
    look.browseHover = m_browseHover;
    look.closeHover = m_closeHover;
    if (m_hWnd) GetClientRect(m_hWnd, &look.client);
    look.layout = m_layout;
    look.packageCode = NarrowToWide(kPathCodePage, ProductSettings::Instance().packageCode, 1024);
    look.installDir = ProductSettings::Instance().installDir;
    look.statusText = m_statusText;
    look.progress = m_progress ? m_progress->Position() : 0;
    return look;
}

void TTallowindDlg::Paint() {
    TMemDC dc(m_hWnd);
    ui::DialogLook look = Look();
    look.client = dc.ClientRect();
    // Loaded for every paint and let go at once: the picture changes with the state.
    HBITMAP picture =
        LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ui::PictureIdFor(m_state)));
    look.background = picture;
    ui::PaintDialogFrame(dc, look);
    // While installing the close box is not drawn and its last hit area stays.
    if (m_state != DialogState::Installing) m_closeRect = m_layout.closeHit;
    DrawContent(dc);
    if (picture) DeleteObject(picture);
}

void TTallowindDlg::DrawContent(TMemDC& dc) {
    ui::PaintDialogContent(dc, Look());
}

void TTallowindDlg::TrackHover(bool inside) {
    m_buttonHover = m_browseHover = m_closeHover = false;
    if (inside) {
        TrackLeave();
        POINT cursor = CursorInClient();
        m_buttonHover = ui::Contains(m_layout.button, cursor);
        m_browseHover = ui::Contains(m_layout.browse, cursor);
        m_closeHover = ui::Contains(m_closeRect, cursor);
    }
    Invalidate();
}

void TTallowindDlg::OnPress(WPARAM wParam, LPARAM lParam) {
    ui::DialogElement element = ui::ElementAt(m_layout, CursorInClient());
    Carry(ui::NextDialogStep(m_state, ui::PressEventFor(element), !m_panelHidden), wParam, lParam);
}

void TTallowindDlg::OnRelease() {
    if (!ui::Contains(m_closeRect, CursorInClient())) return;
    Carry(ui::NextDialogStep(m_state, ui::DialogEvent::CloseReleased, !m_panelHidden));
}
