// usi: the program's spine: start-up, the one cooperative loop that drives
// every window and the request step, the nested loops that stand in for modal
// windows, the close sequence and shutdown.
//
// The window controllers sit above this layer, so they register themselves
// through a table of callbacks (sUsiControllers) before usiRun. One pass of
// the loop is the main window's step, each secondary window's step and then
// the request step (waveDoCalc); the host's poll inside the main window's
// step is where the loop waits for input, never longer than about 10 ms.
//
// Closing. Whatever ends the program goes through usiClose: the user's close
// (asked first), a cancelled storage-select dialog, a vanished card, or the
// system's request to quit (SIGTERM, the session ending). The sequence
// serves the requests still pending, saves the library, checks that it was
// written, ejects the card while the windows still run, reports anything that
// failed and only then tells the user the card may be removed. The program's
// exit status is 1 when the save or the eject failed.
//
// The card: usiCardOpen and usiCardGone are the two places where the
// program takes a card for its run and where it decides that the card has
// vanished. Main thread only, except usiRequestExit.
#pragma once

#include <cstdint>

#include "platform/ghost.h"

// --- Window controllers -----------------------------------------------------------

// Most secondary windows the loop steps.
constexpr int kUsiSecondaryMax = 8;

// A secondary window's controller; every entry may be null.
struct sUsiWindow {
    const char *name;             // for diagnostics ("waveedit", "popup")
    void (*step)(void *user);     // one step; returns at once when the window is closed
    void (*term)(void *user);     // terminates the controller (idempotent)
    int (*isOpen)(void *user);    // 1 while the window is open
    void (*cancel)(void *user);   // closes the window as its Cancel button does
    void *user;                   // passed back to every entry
};

// The controllers of the program, registered by the executable.
struct sUsiControllers {
    // The main window: creates it and opens the storage-select dialog
    // (editWaveUtilityInit); 0, or negative when the window cannot be made.
    int (*mainInit)(void *user);
    // One step of the main window (editWaveUtilityMain); `parentMode` 1 while a
    // secondary window runs its loop.
    void (*mainStep)(void *user, int parentMode);
    void (*mainTerm)(void *user);  // editWaveUtilityTerm (idempotent)
    // A message box over the main window with string numbers (kind 0 OK, 1
    // yes/no); null: the platform's box without a parent.
    int (*messageBox)(void *user, int title, int text, int kind);
    void *user;                    // passed back to the entries above
    sUsiWindow secondary[kUsiSecondaryMax];  // stepped in this order after the main window
    int secondaryCount;
    // Callbacks the platform layer calls into the windows; the spine adds
    // systemStart, text and the import folder when they are null.
    sGhostCallbacks ghost;
};

// Copies the controllers (null: none). Call before usiRun. Never fails.
void usiSetControllers(const sUsiControllers *controllers);

// --- Running ----------------------------------------------------------------------

// The whole run: the command line, start-up in its fixed order, the loop,
// shutdown. `dataFolder` null: the installed data. Messages go to stderr
// naming the file and the reason, the usage and the version to stdout.
// Returns the exit status: 0; 1 when start-up failed or the close could not
// save or eject. The host must be installed.
int usiRun(int argc, char **argv, const char *dataFolder);
// The part of usiRun before the loop: returns -1 when the loop is to run
// (usiMain, or usiPass by pass), else the exit status to end with at once.
int usiStart(int argc, char **argv, const char *dataFolder);

// Always 1: several copies may run (each card has its own lock). usiUnlock does nothing.
int usiLock(void);
void usiUnlock(void);
// Creates the main window (mainInit). Returns 0, -1 when it cannot be made.
int usiInit(void);
// Runs passes of the loop until usiTerm has run; returns the exit status.
int usiMain(void);
// One pass of the loop (tests drive the loop pass by pass). Never fails.
void usiPass(void);
// Runs `window`'s nested loop until it closes: the main window's step
// without input, the window's step, then `popup`'s (may be null). A quit
// request cancels the window (and the pop-up) as their Cancel does.
void usiRunNested(const sUsiWindow *window, const sUsiWindow *popup);
// Whether usiTerm has run; the exit status it chose. Change nothing.
int usiFinished(void);
int usiExitStatus(void);

// --- Closing ----------------------------------------------------------------------

// How the program is being closed.
enum : int {
    USI_CLOSE_ASK = 0,        // close box or Exit: question 61 first, notice at the end
    USI_CLOSE_CANCELLED = 1,  // the storage-select dialog was cancelled: nothing to save
    USI_CLOSE_ERROR = 2,      // the card has gone: nothing more written, nothing ejected
    USI_CLOSE_QUIT = 3,       // the system asked: saved without a question, not ejected
};

// Records that the system asked the program to end; the loop closes with
// USI_CLOSE_QUIT once no secondary window is open. Async-signal-safe.
void usiRequestExit(void);
// Runs the close sequence `how`. Returns 0 when the user answered No
// (nothing changed); 1 when the program was shut down (usiTerm ran): the
// caller must not touch its window any more.
int usiClose(int how);
// Shutdown: writes the settings, releases the preview, terminates the window
// controllers, ejects the card (when `eject` and a card is open) while the
// platform runs and reports a refusal, terminates the platform and frees the
// application state. Sets the exit status (1 when the close sequence
// recorded a failed save or the eject failed) and ends the loop. Returns it.
int usiTerm(int eject);

// --- The card ---------------------------------------------------------------------

// Takes the folder `root` (bytes) as the card of this run: G's volume root,
// with a trailing "/", the card's identity, and its lock held exclusively
// until usiCardRelease. An edit a crash cut off on it is finished first when
// the user agrees. Returns 0; -2 when another program holds the card (the
// user has been told); -1 when it is not a folder, the path does not fit, or
// a cut-off edit was not finished (nothing held then).
int usiCardOpen(const char *root);
// Returns whether the card has vanished since usiCardOpen, or another is
// mounted in its place (true without a card).
bool usiCardGone(void);
// Lets go of the card and its lock (before it is ejected or the program ends). Never fails.
void usiCardRelease(void);
