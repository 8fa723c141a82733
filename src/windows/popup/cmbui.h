// cmbui: the pop-up list's screen, CgifUICmb, and its list frame.
//
// The list frame builds its rows from the current library by the list's type
// and shows at most five at a time; when they need more room, a scroll bar at
// the right edge and the mouse wheel move them. The pointer highlights the
// row under it; a click on a row stores its selection index and asks the
// list to close. Main thread, with the list's GL context current.
#pragma once

#include <cstdint>

#include "windows/dialog/dlgui.h"

class CgifUISlider2;
class CgifUICmb;

// One row of the list.
struct sCmbRow {
    int index;        // the selection index a click gives
    int highlighted;  // 1 under the pointer
    char text[65];    // shown (Shift-JIS, 64 bytes)
    void *tag;        // the row's sTag; null for other rows
};

class CgifFrCmbList : public CgifFrame {
public:
    explicit CgifFrCmbList(CgifUICmb *s) : chooser(s) {}
    ~CgifFrCmbList() override;
    // Builds the rows for `type` at `width` x `height`. Returns 0, -1.
    int init(int type, int width, int height);
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    // Pixels the rows are moved up by now.
    int offset() const;
    // The row at window y, -1 none.
    int rowAt(float y) const;

    int type = 0;
    int width = 0, height = 0;
    sCmbRow *rows = nullptr;  // "CmbRows"
    int rowCount = 0;
    CgifUISlider2 *bar = nullptr;  // null while the rows fit
    int pressRow = -1;
    CgifUICmb *chooser;  // told of a click
};

class CgifUICmb : public CgifUIDialog {
public:
    CgifUICmb(int type, int width, int height) : type(type), width(width), height(height) {}
    int init() override;
    // A row was clicked: its selection index is stored and the list closes.
    void choose(int index);

    int type, width, height;
    CgifFrCmbList *list = nullptr;
};
