// The drawing resources every painting of the installer shares: one white brush and four fonts
// of the face "Microsoft Yahei", made once at start-up and released at shutdown.
#pragma once

#include "platform/win32.h"

namespace ui {

struct DrawingResources {
    HBRUSH whiteBrush = nullptr;
    HFONT font18 = nullptr;  // folder label, folder path, custom-folder link
    HFONT font20 = nullptr;  // caption title, panel heading, status texts
    HFONT font22 = nullptr;  // label of the Install/Open button
    HFONT font27 = nullptr;  // package-code title and the waiting line
};

// The process-wide set; empty (all null) until CreateDrawingResources.
DrawingResources& Drawing();

// Makes the brush and the fonts. A failure leaves that member null; painting then draws with the
// device context's defaults.
void CreateDrawingResources();
// Deletes what CreateDrawingResources made and empties the set.
void ReleaseDrawingResources();

// A font of the installer's face at the given cell height.
HFONT CreateInstallerFont(int height);

}  // namespace ui
