// cmbctl: the pop-up list window's controller (prefix editCmb).
//
// A small list without frame that drops down under a control of another
// window and lets the user pick one row: a category for the wave import
// window (type 0, with "Create New Category" first) and the wave edit window
// (type 1), or one of the kits using the selected wave for the main window
// (type 2). The opener names itself as parent (window and request queue),
// stores the opening parameters and asks for it to open; the list's step
// serves that request. A click on a row, Escape, the close box, a click into
// another window or a close request closes it; closing posts code 100 with
// the selection index into the parent's request queue (-1: nothing chosen).
// Stepped by the main loop and by every nested loop of the secondary windows
// that use it. Main thread only.
#pragma once

#include <cstdint>

#include "windows/main/mainctl.h"

struct _sWindow;
struct _sEvQueue;
struct sTag;
class CgifUICmb;

// The list's types.
enum : int {
    CMB_TYPE_IMPORT_TAG = 0,  // "Create New Category", then every category
    CMB_TYPE_TAG = 1,         // every category
    CMB_TYPE_KIT = 2,         // the kits using the selected wave
};

// Widths of the types, height of a row, the visible height at most.
constexpr int kCmbTagWidth = 160;
constexpr int kCmbKitWidth = 60;
constexpr int kCmbRowH = 20;
constexpr int kCmbMaxH = 100;
// Notification posted to the parent when the list closes.
constexpr int kCmbClosed = 100;
// The first row of type 0.
extern const char *const cCMB_CREATE_NEW_TAG;  // "Create New Category"

// --- Opening --------------------------------------------------------------------------

// Stores the opening parameters: x and y relative to the parent's client
// area, the list's size, its row count and type. Never fails.
void editCmbSetInitialize(int x, int y, int width, int height, int count, int type);
// The parameters an opener of `type` passes for a control at parent point
// (x, y) over the current library: the offsets, the width of the type, the
// height of its rows (at most 100). Never fails.
void editCmbSetInitializeFor(int type, int x, int y);
// Accepted and ignored: the rows are always built from the current library.
void editCmbSetInitializeString(int index, const char *text);
// The window and request queue the choice goes to (null: none). Never fails.
void editCmbSetParentWindow(_sWindow *window, _sEvQueue *requestQueue);
// Ask the next step to open / close the list. Never fail.
void editCmbSetWindowOpenRequest(void);
void editCmbSetWindowCloseRequest(void);

// --- State ------------------------------------------------------------------------------

// 1 while the list's window exists; the window (null while closed).
int editCmbGetIsWindow(void);
_sWindow *editCmbWindowPtr(void);
CgifUICmb *editCmbGetScreen(void);
// The chosen row's index by the type (-1 before a click), the type.
int editCmbGetSelectIndex(void);
void editCmbSetSelectIndex(int index);
int editCmbGetType(void);
// The category a selection index of the current type names in the current
// library; null for "Create New Category", -1 and out of range.
sTag *editCmbTagForIndex(int index);

// --- Life cycle ---------------------------------------------------------------------------

// Creates the window, its queue and its screen, each only when missing.
// Returns 0; -1 with nothing left open.
int editCmbInit(void);
// One step: serves the open request, then every queued event; closes the
// list when it is done. Nothing while closed.
void editCmbMain(void);
// Destroys the screen, the queue and the window. Idempotent.
void editCmbTerm(void);

// The registration the main window opens the list through (the kit jump).
sMainSecondary editCmbSecondary(void);
