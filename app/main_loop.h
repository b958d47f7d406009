// The installer's main loop: the dialog's modal loop, run until the dialog closes.
#pragma once

class TTallowindDlg;

// Gets and hands out the thread's messages while the dialog runs (app/message_filter.h says which
// go where). Ends when the dialog's running flag is clear or WM_QUIT arrives.
void RunMainLoop(TTallowindDlg& dialog);
