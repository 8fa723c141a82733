// wavenamectl: the wave edit window's controller (prefix editWaveName).
//
// A small modal window over the waves selected in the main list: it renames
// one wave, moves one or several into another category (chosen in the pop-up
// list), or deletes them after a question. The waves it acts on are the ones
// the main window handed over before it opened, and only those: the name it
// shows and the name it writes belong to the same wave. OK changes the
// library and raises the requests (written after the window has closed);
// Cancel and the close box change nothing. Main thread only.
#pragma once

#include <cstdint>

#include "windows/main/mainctl.h"

struct _sWindow;
struct _sEvQueue;
struct sWave;
class CgifUIWaveName;

// Messages of the window's screen.
enum : int32_t {
    WN_MSG_OPEN_CHOOSER = 12,  // open the pop-up list under the category field
    WN_MSG_DELETE = 18,
    WN_MSG_NAME = 20,          // text: the name typed
    WN_MSG_TAG = 25,           // value: the sTag chosen
    WN_MSG_NOT_POSSIBLE = 44,
    WN_MSG_OK = 46,
    WN_MSG_CANCEL = 47,
};

// Appends a wave to the selection (before Init, once per selected row). Never fails.
void editWaveNameSetSelectWave(sWave *wave);
// Opens the window over the selection. Returns 0; -1 (nothing open, the
// selection dropped) when the window cannot be made or nothing is selected.
int editWaveNameInit(void);
// One step; closes the window when it is done. Nothing while closed.
void editWaveNameMain(void);
// Closes the window and drops the selection. Idempotent.
void editWaveNameTerm(void);

int editWaveNameGetIsWindow(void);
_sWindow *editWaveNameWindowPtr(void);
CgifUIWaveName *editWaveNameGetScreen(void);
_sEvQueue *editWaveNameGetReqEventPtr(void);
// 1 when the window ended by deleting its waves.
int editWaveNameGetDeleteEnd(void);
void editWaveNameSetWindowCloseRequest(void);
void edtiWaveNameAble(int on);
// A message box over the window (string numbers). Returns the button.
int editWaveNameMboxOpen(int title, int message, int kind);

// The registration the main window opens the window through.
sMainSecondary editWaveNameSecondary(void);
