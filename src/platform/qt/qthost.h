// qthost: the desktop host, on Qt 6 Widgets.
//
// The main window is a QMainWindow with the menu bar and an 800 x 600 drawing
// area, a plain QWindow embedded with createWindowContainer; secondary
// windows are top-level QWindows, transient for the main window. Every window
// draws with one compatibility-profile OpenGL 2.1 context (swap interval 0),
// made current on the window's surface; a window that is not exposed is never
// swapped. The program's loop, not Qt's, drives everything: each poll serves
// Qt's pending events (deferred deletions included) and, when nothing is
// waiting, sleeps until the next event or at most about 10 ms, so an idle
// program does not keep a core busy.
//
// Qt is started on the xcb platform whatever the session offers (windows are
// placed where the program puts them) and without high-DPI scaling (the
// screens are drawn pixel for pixel). The window's close button is refused by
// Qt and reaches the program as the close-box event; SIGTERM, SIGHUP and
// SIGINT become the program's quit request, closing any modal box or dialog
// first (its answer is then No, Cancel or nothing chosen).
//
// Volumes come from /proc/self/mountinfo (tmpfs left out, removable media
// first); the storage-select dialog lists them with a "Folder..." button that
// opens any folder as the card. Ejecting goes through UDisks2 on the system
// bus (DBUS_SYSTEM_BUS_ADDRESS when set): the file system is unmounted, then
// the drive ejected or powered off; only removable drives are touched. Main
// thread only, except where a function says otherwise.
#pragma once

#include <cstddef>

#include "platform/ghost.h"

// --- Installing -------------------------------------------------------------------

// Installs the desktop host; Qt itself starts in ghostInit with `argc` and
// `argv` (which must outlive the run; Qt removes its own options from them).
// Never fails.
void qtInstall(int *argc, char **argv);
// The desktop host's function table. Never fails.
const sOsHost *qtHost(void);

// --- Test hook ----------------------------------------------------------------------

// The kinds of modal dialog the hook is shown.
enum : int {
    QT_DIALOG_MESSAGE = 0,  // a message box
    QT_DIALOG_FILES = 1,    // the open dialog for audio files
    QT_DIALOG_FOLDER = 2,   // a folder chooser (also the storage dialog's "Folder...")
};

// A modal dialog as the host shows it, for a test.
struct sQtDialogSeen {
    int kind;                // QT_DIALOG_*
    char title[256];         // window title (UTF-8)
    char text[1024];         // message boxes: the message; file dialogs: the start folder
    char buttons[3][16];     // message boxes: the button labels, default first
    int buttonCount;
};

// Answers a dialog while it is open on the screen. For a message box it
// returns the index of the button to press (-1: close the box as Escape
// does); for a file or folder dialog it writes the chosen paths, one per line,
// into `paths` (capacity `cap`; empty: cancel) and returns 0.
typedef int (*qtDialogHook)(void *user, const sQtDialogSeen *seen, char *paths, size_t cap);

// Installs the hook (null: dialogs wait for the user again). Never fails.
void qtSetDialogHook(qtDialogHook hook, void *user);

// --- Volumes ------------------------------------------------------------------------

// Ejects the volume mounted at `root` through UDisks2. Returns 0 when
// unmounted and ejected (or powered off), 1 when `root` is not the mount
// point of a removable drive (nothing done), -1 when the bus or UDisks2
// refused; `why` (capacity `cap`, may be null) gets the reason. Any thread.
int qtEject(const char *root, char *why, size_t cap);
