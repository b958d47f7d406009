// TTallowindDlg: the installer dialog. One borderless window with the brand's picture, an
// Install button that becomes Open, an optional folder panel and, while the worker runs, a status
// line with the progress control. Its IClient part is the install worker's state.
//
// Decisions live in plain functions: the layout and hit tests in dialog_layout.h, the state machine
// in dialog_states.h, the painting in dialog_painting.h. This class carries them out against the
// window system.
#pragma once

#include <string>

#include "ui/dialog_layout.h"
#include "ui/dialog_painting.h"
#include "ui/dialog_states.h"
#include "ui/modal_wnd.h"
#include "ui/process_control.h"
#include "workflow/install_state.h"

class TTallowindDlg : public TModalWnd, public IClient {
  public:
    TTallowindDlg();
    // Destroys the progress control, closes a still open install log and, after a failed
    // installation, deletes the staging folder.
    ~TTallowindDlg() override;
    TTallowindDlg(const TTallowindDlg&) = delete;
    TTallowindDlg& operator=(const TTallowindDlg&) = delete;

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnInit() override;
    void Place() override;
    void DrawContent(TMemDC& dc) override;
    // Waits half a second, clears the running flag and destroys the window.
    void Close() override;

    // The Install command: end the product, ask before installing over a folder with content,
    // prepare the staging folder and the log, read the summary and start the worker.
    void StartInstall();

    DialogState State() const { return m_state; }
    bool PanelShown() const { return !m_panelHidden; }
    const std::wstring& StatusText() const { return m_statusText; }
    const ui::DialogLayout& Layout() const { return m_layout; }
    TProcess* Progress() const { return m_progress; }
    // What a paint would show now (without the background picture).
    ui::DialogLook Look() const;

  private:
    void Paint();
    void TrackHover(bool inside);
    void OnPress(WPARAM wParam, LPARAM lParam);
    void OnRelease();
    void Carry(ui::DialogStep step, WPARAM wParam = 0, LPARAM lParam = 0);
    void PickFolder();
    void OpenProduct();
    void OnWorkflowMessage(UINT message, LPARAM lParam);
    bool ConfirmReinstall() const;

    TProcess* m_progress = nullptr;
    std::wstring m_statusText;
    DialogState m_state = DialogState::Idle;
    bool m_panelHidden = true;
    bool m_buttonHover = false;
    bool m_browseHover = false;
    ui::DialogLayout m_layout;
};
