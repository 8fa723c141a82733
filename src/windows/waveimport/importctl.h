// importctl: the wave import window's controller (prefix editWaveImport).
//
// The modal window in which the user collects audio files (the open dialog
// or a drop), listens to each with the window's own sound, picks each one's
// category in the pop-up list (which may create a category, as a category
// edit) and confirms. Files the device cannot play but conversion would
// take bring one question per batch (a drop, a dialog's choice): Yes imports
// them converted, No refuses them. A file refused is named with the reason
// and left out while the rest goes on. OK requests the imports, run by the
// request step after the window has closed, and makes the category edit
// effective; Cancel and the close box undo the edit and request nothing.
// Main thread only.
#pragma once

#include <cstdint>

#include "windows/main/mainctl.h"

struct _sWindow;
struct _sEvQueue;
class CgifUIWaveImport;

// Messages of the window's screen.
enum : int32_t {
    WI_MSG_PLAY = 1,          // value: 1 play, 0 stop (the play button's state)
    WI_MSG_STOP = 2,
    WI_MSG_LOOP = 3,          // value: the loop flag
    WI_MSG_OPEN_CHOOSER = 12, // open the pop-up list under the category field
    WI_MSG_BROWSE = 13,
    WI_MSG_LOAD = 19,         // text: the candidate to load for listening ("": none)
    WI_MSG_TAG = 25,          // value: the pop-up list's selection index
    WI_MSG_DROP = 39,
    WI_MSG_REFUSED = 43,      // value: the reason's string; text: the file
    WI_MSG_OK = 46,
    WI_MSG_CANCEL = 47,
};

// Notifications for the screen.
enum : int {
    WI_REQ_DIALOG = 2,     // the open dialog returned
    WI_REQ_PATH = 101,     // text: a dropped path
    WI_REQ_LOADED = 200,   // text: the candidate's length in ms ("" when released)
    WI_REQ_STOPPED = 204,
    WI_REQ_ENDED = 205,
};

// Opens the window. Returns 0; -1 (nothing open) without a library or when
// the window cannot be made.
int editWaveImportInit(void);
// One step; closes the window when it is done. Nothing while closed.
void editWaveImportMain(void);
// Releases the candidate and closes the window; a category edit still
// running is undone. Idempotent.
void editWaveImportTerm(void);

int editWaveImportGetIsWindow(void);
_sWindow *editWaveImportWindowPtr(void);
_sEvQueue *editWaveImportGetReqEventPtr(void);
CgifUIWaveImport *editWaveImportGetScreen(void);
void editWaveImportSetWindowCloseRequest(void);
void edtiWaveImportAble(int on);
// 0 while the candidate plays, -1 otherwise (also without one).
int editWaveImportGetNowPlayingWave(void);

// The registration the main window opens the window through.
sMainSecondary editWaveImportSecondary(void);
