// The install worker: the thread that carries out one installation after Install was pressed.
//
// It downloads the release's packages into the staging folder, unpacks them there, deletes the
// downloads, writes the version file, puts the staging folder in place of the install folder
// (keeping the old installation until the new one is in) and registers the product: uninstall
// entry, desktop shortcut, configuration values. Every step is logged and announced to the dialog
// with WM_INSTALL_STEP; the bar moves with WM_INSTALL_PROGRESS; the first failing step ends the
// run with its failure line and WM_INSTALL_FAILED, a complete run with WM_INSTALL_DONE.
//
// Before it starts, the staging folder exists and is empty, the install log is open and the
// summary has been read (ReadSummary) into the state.
#pragma once

#include "platform/win32.h"
#include "workflow/install_state.h"

// Thread procedure for _beginthreadex; `state` is the dialog's IClient. 1 after a complete
// installation, 0 after a failure. Runs just as well called directly, without a thread.
unsigned WINAPI InstallWorker(void* state);

// Deletes the downloaded files from the staging folder and installs the company's server list:
// config/ServerInfo/<company code>.pub becomes config/LoginFrm.Server.pub, and the folder with
// every company's list goes.
void CleanupStaging(const IClient& state);
