// mainctl: the main window's controller (prefix editWaveUtility).
//
// It owns the main window, its event queue and its request queue (the
// notifications its screen, CgifUIWaveUtility, reads), runs the window's step
// of the main loop, turns menu commands and the screen's messages into edits
// of the library and requests for the request step, opens the card, opens
// the secondary windows as nested loops, and decides when the program closes
// (the spine's usiClose then saves and shuts down).
//
// Nothing here writes to the card itself: edits change the library in memory
// and raise requests, which app/docalc.h serves exactly as it does for
// `kvbrt`; backup and restore run the transfer layer's whole sequences.
//
// Secondary windows. A secondary window's controller is registered as an
// sMainSecondary. Opening one always follows one pattern: the preview stops,
// the main window's input and the menu bar are disabled, the window opens
// (`open`), the spine's nested loop runs the main window's step without input,
// the window's step and, for the import and wave edit windows, the pop-up
// list's step, until the window is no longer open; then the window is
// terminated, the main window enabled, refreshed and brought forward, and the
// menu bar enabled. Library requests raised inside are served after it closes.
// Main thread only, except the three request setters (any thread).
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/usi.h"

struct _sWindow;
struct _sEvQueue;
struct sWave;
struct sWaveList;
class CgifUIWaveUtility;

// --- Secondary windows ----------------------------------------------------------

// The secondary windows, in the order their open requests are served.
enum : int {
    MAIN_WINDOW_POPUP = 0,     // pop-up list
    MAIN_WINDOW_IMPORT = 1,    // wave import
    MAIN_WINDOW_CATEGORY = 2,  // category
    MAIN_WINDOW_KIT = 3,       // kit
    MAIN_WINDOW_WAVEEDIT = 4,  // wave edit
    MAIN_WINDOW_COUNT = 5,
};

// One secondary window's controller; every entry may be null.
struct sMainSecondary {
    sUsiWindow window;  // name, step, term, isOpen, cancel, user (the spine steps it too)
    // Opens the window (its Init). Returns 0; negative when it cannot open
    // (nothing is left open then).
    int (*open)(void *user);
    // Pop-up list: where its choice goes (the window and request queue of
    // the main window, or of the import or wave edit window that opened it).
    void (*setParent)(void *user, _sWindow *parent, _sEvQueue *parentQueue);
    // Wave edit: called before `open` once per selected wave, in list order.
    void (*addSelectedWave)(void *user, sWave *wave);
    // Wave edit: 1 when the window ended by deleting its waves.
    int (*endedByDelete)(void *user);
    // Import and wave edit: the window and request queue a pop-up list it
    // opens reports to (null: the main window's).
    _sWindow *(*getWindow)(void *user);
    _sEvQueue *(*getReqQueue)(void *user);
};

// --- Installing -----------------------------------------------------------------

// Registers the main window and the secondary windows (`secondary`: an array
// of MAIN_WINDOW_COUNT entries, or null for none) with the spine, and the
// main window's hooks with the request step and the preview player. Never fails.
void editWaveUtilityInstall(const sMainSecondary *secondary);

// --- Life cycle -----------------------------------------------------------------

// Creates the window, the queues, the screen and the drag cursors and opens
// the storage-select dialog; parts already made are kept. Returns 0, -1 when
// the window, a queue or the screen cannot be made.
int editWaveUtilityInit(void);
// One step; `parentMode` 1 while a secondary window runs its loop (no input
// reaches the screen, no request is served). Does nothing without a window.
void editWaveUtilityMain(int parentMode);
// Deletes the screen, the queues and the window. Idempotent.
void editWaveUtilityTerm(void);

// --- Dialogs ----------------------------------------------------------------------

// A message box on the main window with string numbers / with a ready text.
// Returns the button (MBOX_*; 0 when nothing could be asked).
int editWaveUtilityMboxOpen(int title, int message, int kind);
int editWaveUtilityMboxOpenMsg(int title, const wchar_t *text, int kind);
// Folder dialog with title string `title` starting in `startFolder`; `buf`
// (capacity `cap`) gets the folder ending in "/". Returns 1, 0 when cancelled
// (buf empty).
int editWaveUtilityDirDlg(char *buf, size_t cap, const char *startFolder, int title);

// --- Requests from the library, the jobs and the other windows ----------------------

// Makes the next step refresh the screen from the library. Never fails.
void editWaveUtilityUpdateRequest(void);
// Asks the main window to close; with Err, without a question (the card has
// gone). Never fail.
void editWaveUtilitySetWindowCloseRequest(void);
void editWaveUtilitySetWindowErrCloseRequest(void);
// The request queue the screen's notifications travel in (null before Init).
_sEvQueue *editWaveUtilityGetReqEventPtr(void);
// The main window / its screen (null before Init).
_sWindow *editWaveUtilityGetWindow(void);
CgifUIWaveUtility *editWaveUtilityGetScreen(void);
// Queues a context menu of `count` codes (at most 8, more are cut; -1 a
// separator). Never fails.
void editWaveUtilityPopupMenuCreate(int count, const int *codes);
// Asks for the pop-up list window. Never fails.
void editWaveUtilityOpenCmbBox(void);

// --- The window and its state ------------------------------------------------------

// Switches menu item `code` on or off. Never fails.
void editWaveUtilityMenuOnOff(int code, int on);
// Sets the wave and pad items (1014, 1015, 1017) from the selection. Never fails.
void editWaveUtilityMenuWaveAndPadAble(void);
// Ends a text edit on the screen (with `endEdit`), stops a playing preview
// (posting 204) and, with `pass`, runs one step. Never fails.
void editWaveUtilityWaveStop(int pass, int endEdit);
// Raises (`on` 1) or lowers (0) the forcing counter / reads it.
void editWaveUtilityForcingUpdate(int on);
int editWaveUtilityForcingUpdate(void);
// 1 while the controller runs a box that must not bring the window forward
// or opens a card.
int editWaveUtilityParentsRefused(void);
// Enables or disables the main window's input (and lowers or raises the
// forcing counter). Never fails.
void edtiWaveUtilityAble(int on);
// Stores the centre of the main window, where secondary windows are placed
// (0, 0 without a window).
void editWaveUtilityWindowCenterPosition(int *x, int *y);
// Polls once and brings the main window forward. Never fails.
void editWaveUtilityWindowActive(void);
// Redraws the screen once (dropping waiting notifications). Never fails.
void editWaveUtilityForcingDraw(void);
// 0 while a preview is playing, -1 otherwise.
int editWaveUtilityGetNowPlayingWave(void);
// Clears the player's display of the selected wave (posts 200, 202, 201).
void editWaveUtilityResetWaveParameter(void);

// --- Library operations of the window -----------------------------------------------

// Reads the card at `root` into the current library (with the progress window
// when `progress`). A volume without the device folder asks question 65 (Yes:
// the tree and an empty library); a device folder that cannot be read is
// named with the reason. Returns 0 with a current library; -1 when none
// resulted (the storage-select dialog is open again).
int wavelistCreateCurrent(const char *root, int progress);
// Puts the selected wave on the selected pad of the selected kit and requests
// the kit save. Returns 0; -1 (after posting 21) when something is missing.
int padAssignAndKitCreateFile(void);
// Asks message 60 and takes the wave off the selected pad. Returns 0, -1 when
// declined, nothing is selected or the card has gone (nothing changed then).
int padRelease(void);
