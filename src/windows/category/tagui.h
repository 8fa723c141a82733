// tagui: the category window's screen, CgifUITag, and its list frame.
//
// The list shows the categories in display order, five rows at a time (the
// wheel scrolls); a click selects one. Beside it: the selected category's
// name field, the add, move-up and move-down buttons and Delete, and at the
// bottom Cancel and OK. Every change is a message to the controller
// (tagctl.h); the list is built again from the library after each. Main
// thread, with the window's GL context current.
#pragma once

#include <cstdint>

#include "windows/dialog/dlgui.h"

struct sTag;
class CgifUITag;

// Rows the list shows at once, and its place.
constexpr int kTagRowsShown = 5;
constexpr float kTagListX = 16, kTagListY = 16, kTagListW = 200, kTagRowH = 20;

class CgifFrTagList : public CgifFrame {
public:
    explicit CgifFrTagList(CgifUITag *s) : screen(s) {}
    int init() override;
    // The rows again from the library's display order.
    void update() override;
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    // The row of `tag`, -1 when not shown.
    int rowOf(const sTag *tag) const;

    CgifUITag *screen;
    sTag *rows[20] = {};
    int rowCount = 0;
    int first = 0;  // the row shown at the top
};

class CgifUITag : public CgifUIDialog {
public:
    int init() override;
    void calcEvent(int code, intptr_t value, const char *text) override;
    // The selection (null: none); shows its name in the field.
    void select(sTag *tag);
    // A button clicked (or a field's editing ended): the controller's
    // message, with the selection.
    void deleteFrameObject(CgifUIObjBase *widget) override;

    sTag *selected = nullptr;
    CgifFrTagList *list = nullptr;
    CgifUIText *name = nullptr;
    CgifUIButton *add = nullptr, *up = nullptr, *down = nullptr, *remove = nullptr;
};
