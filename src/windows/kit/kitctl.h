// kitctl: the kit window's controller (prefix editKit).
//
// A small modal window with the selected kit's name (8 bytes) and sub-name
// (16 bytes). Each field takes exactly what its kit field holds, cut only
// after a whole Shift-JIS character, typed or committed by an input method.
// OK writes both into the kit and asks for the kit's save; Cancel and the
// close box leave the kit as it was. Main thread only.
#pragma once

#include <cstdint>

#include "windows/main/mainctl.h"

struct _sWindow;
class CgifUIKit;

// Messages of the window's screen.
enum : int32_t {
    KIT_MSG_NAME = 29,     // text: the name typed
    KIT_MSG_SUBNAME = 30,  // text: the sub-name typed
    KIT_MSG_OK = 46,
    KIT_MSG_CANCEL = 47,
};

// Opens the window over the selected kit. Returns 0; -1 (nothing open)
// without a selected kit or when the window cannot be made.
int editKitInit(void);
// One step; closes the window when it is done. Nothing while closed.
void editKitMain(void);
// Closes the window. Idempotent.
void editKitTerm(void);

int editKitGetIsWindow(void);
_sWindow *editKitWindowPtr(void);
CgifUIKit *editKitGetScreen(void);
void editKitSetWindowCloseRequest(void);
void edtiWaveKitAble(int on);

// The registration the main window opens the window through.
sMainSecondary editKitSecondary(void);
