// tagctl: the category window's controller (prefix editTag).
//
// The modal window in which the user adds, renames, reorders and deletes
// categories. Everything done in it is one category edit of the library
// (wavelib/tagedit.h): names are saved when it opens, new categories are
// marked, deleted ones only taken out of the list; OK makes the edit
// effective and asks for the category list's save, Cancel and the close box
// undo it. Main thread only.
#pragma once

#include <cstdint>

#include "windows/main/mainctl.h"

struct _sWindow;
class CgifUITag;

// Messages of the window's screen.
enum : int32_t {
    TAG_MSG_CREATE = 21,  // text: the new category's name
    TAG_MSG_REMOVE = 22,  // value: the sTag to take out
    TAG_MSG_RENAME = 24,  // value: the sTag; text: its new name
    TAG_MSG_BEFORE = 27,  // value: the sTag moved; param: the one it goes above
    TAG_MSG_AFTER = 28,   // value: the sTag moved; param: the one it goes below
    TAG_MSG_OK = 46,
    TAG_MSG_CANCEL = 47,
};

// Notifications for the screen.
enum : int {
    TAG_REQ_CREATED = 3,   // value: the new sTag
    TAG_REQ_FAILED = 4,    // creating failed (the limit of 20, said already)
    TAG_REQ_CHANGED = 5,   // the list changed: show it again
    TAG_REQ_REFUSED = 7,   // a rename was refused
    TAG_REQ_RENAMED = 8,
};

// Starts the edit and opens the window. Returns 0; -1 (nothing open, no
// edit running) without a library or when the window cannot be made.
int editTagInit(void);
// One step; closes the window when it is done. Nothing while closed.
void editTagMain(void);
// Closes the window. Idempotent.
void editTagTerm(void);

int editTagGetIsWindow(void);
_sWindow *editTagWindowPtr(void);
CgifUITag *editTagGetScreen(void);
void editTagSetWindowCloseRequest(void);
void edtiWaveTagAble(int on);
// A message box over the window (string numbers); also the library's. Returns the button.
int editTagMboxOpen(int title, int message, int kind);

// The registration the main window opens the window through.
sMainSecondary editTagSecondary(void);
