// dialog: what the secondary windows share: a window with its event queue,
// an optional request queue and one screen, stepped one way.
//
// Each secondary window is modal over the main window and runs inside the
// main window's nested loop (mainctl.h). Its controller keeps an sDlgWindow,
// opens it centred on the main window, and gives it one dlgStep per pass of
// that loop: every queued event goes through the screen, the controller reads
// the screen's messages (G.gifQueue) after each, and the notifications of the
// request queue reach the screen's calcEvent. The screen posts into the one
// toolkit queue every window shares; a step reads it empty, so no message
// outlives the step that made it. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

struct _sWindow;
struct _sEvQueue;
class CgifUI;

struct sDlgWindow;
// Sees each event before the screen; returns 1 when it took the event (the
// screen does not see it).
typedef int (*dlgFilterFn)(sDlgWindow *d, uint16_t code, int32_t value);

// One secondary window.
struct sDlgWindow {
    _sWindow *window;   // null while closed
    _sEvQueue *queue;   // the window's events
    _sEvQueue *req;     // notifications for the screen; null for a window without
    CgifUI *screen;     // owned
    int closeRequest;   // the window closes at its next step
    dlgFilterFn filter; // null: every event goes to the screen
};

// How a step ended.
enum : int {
    DLG_OPEN = 0,        // still open (or not open at all)
    DLG_CLOSE_BOX = 1,   // the close box was pressed: the caller closes (dlgClose)
    DLG_CLOSED = 2,      // a close request ended it: the caller closes
};

// Reads the messages the screen posted (G.gifQueue) and acts on them; `user`
// as given to dlgStep.
typedef void (*dlgMessageFn)(void *user);

// --- Life cycle -------------------------------------------------------------------

// Creates the window titled `title` with a fixed client size of w x h centred
// on the main window (`icon` as ghostWindowCreate), its event queue, a request
// queue when `withReq`, and shows `screen`, which it takes (deleted on
// failure). Returns 0; -1 with nothing left open.
int dlgOpen(sDlgWindow *d, const wchar_t *title, int w, int h, int icon, CgifUI *screen, bool withReq);
// The same at client position (x, y) with window style `flag` (1: a pop-up
// list without frame).
int dlgOpenAt(sDlgWindow *d, const wchar_t *title, int x, int y, int w, int h, int flag, int icon, CgifUI *screen,
              bool withReq);
// Deletes the screen, the queues and the window. Idempotent.
void dlgClose(sDlgWindow *d);
// One step: every queued event through the screen, `messages(user)` after
// each. Returns DLG_*; DLG_OPEN without a window.
int dlgStep(sDlgWindow *d, dlgMessageFn messages, void *user);

// --- Helpers --------------------------------------------------------------------

// Posts a notification into the request queue (nothing without one).
void dlgPost(sDlgWindow *d, int code, intptr_t value, const char *text = nullptr);
// Draws the screen and presents what it drew. Nothing without a window.
void dlgPresent(sDlgWindow *d);
// Enables or disables the window's input. Never fails.
void dlgAble(sDlgWindow *d, int on);
// Whether the card the library was read from has gone; when it has, says so
// (message 88) and asks the main window to close without a question.
bool dlgCardGone(void);
// Whether Shift-JIS `name` may be stored as a name on the card: carried
// whole by the parameter text (no control character, "<" or ">") and, unless
// `mayBeEmpty`, neither empty nor only spaces. When it may not, says so
// (message 68, on the main window). Changes nothing.
bool dlgNameUsable(const char *name, bool mayBeEmpty = false);
// Opens the program's help document in the interface language; says so
// (message 68) when there is none. Never fails.
void dlgOpenHelp(void);
// Copies Shift-JIS `text` into `dst` of `cap` bytes (terminating zero
// included), cut after the last whole character that fits. Never fails.
void dlgCopyName(char *dst, size_t cap, const char *text);
