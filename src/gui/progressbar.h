// progressbar: the progress window's screen, and the view through which the
// job runner (platform/job.h) shows it on the desktop.
//
// The 300 x 100 window shows the job's message, a bar 2 pixels long per
// whole percent, and a "Cancel" button (message 47) when the job can be
// cancelled. The view reads the toolkit's messages after each event: 47
// presses Cancel for the job runner, 46 asks the window to close, the rest
// are dropped. The desktop installs it with
// editProgressBarSetView(gifProgressBarView()); G.gifQueue must exist.
#pragma once

#include "gui/ui.h"

class CgifUILabel;
class CgifUIBar;
class CgifUIButton;
struct sProgressView;

// Toolkit messages of the progress window.
enum : int32_t {
    GIF_MSG_PROGRESS_CLOSE = 46,
    GIF_MSG_PROGRESS_CANCEL = 47,
};

class CgifUIProgressBar : public CgifUI {
public:
    // Loads the pack's pictures (a missing one is drawn as nothing) and
    // builds the window's content. Returns 1, 0 when memory runs out.
    int init() override;
    // The text line (UTF-8; what Shift-JIS cannot hold shows as spaces).
    void setMessage(const char *utf8);
    // The job's progress; below 0 no bar is shown, above 1 a full one.
    void setRatio(float ratio);
    // Shows or hides the Cancel button.
    void setCancel(int shown);

    CgifUILabel *message = nullptr;
    CgifUIBar *bar = nullptr;
    CgifUIButton *cancel = nullptr;
};

// The job runner's view drawing the progress window with CgifUIProgressBar.
const sProgressView *gifProgressBarView(void);
