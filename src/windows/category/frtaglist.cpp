// The category window's list. See tagui.h.
#include "foundation/global.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/category/tagui.h"

int CgifFrTagList::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, kTagListX, kTagListY, kTagListW, kTagRowH * kTagRowsShown) < 0) return -1;
    update();
    return 0;
}

void CgifFrTagList::update() {
    rowCount = 0;
    sListBase *order = waveListTagIterListOrderPtr(G.currentWaveList);
    for (auto *it = order ? static_cast<sListItem *>(order->first) : nullptr; it && rowCount < 20; it = it->next)
        rows[rowCount++] = static_cast<sTag *>(it->item);
    if (first > rowCount - kTagRowsShown) first = rowCount > kTagRowsShown ? rowCount - kTagRowsShown : 0;
    setDirty();
}

int CgifFrTagList::rowOf(const sTag *tag) const {
    for (int i = 0; tag && i < rowCount; i++)
        if (rows[i] == tag) return i;
    return -1;
}

int CgifFrTagList::calcPrivate(int code, int value, int, sgifUISystem s) {
    if (code == WEV_WHEEL_UP || code == WEV_WHEEL_DOWN) {
        int to = first + (code == WEV_WHEEL_UP ? -1 : 1);
        if (to < 0 || to > rowCount - kTagRowsShown) return 0;
        first = to;
        return 1;
    }
    if (code != WEV_MOUSE_LEFT || value != 1) return 0;
    int i = first + int((s.mouseY - kTagListY) / kTagRowH);
    if (i < first || i >= rowCount) return 0;
    screen->select(rows[i]);
    return 1;
}

void CgifFrTagList::drawPrivate() {
    gifDrawRect(kTagListX, kTagListY, kTagListW, kTagRowH * kTagRowsShown, gifGrey(0.12f));
    for (int i = first; i < rowCount && i < first + kTagRowsShown; i++) {
        float top = kTagListY + float(i - first) * kTagRowH;
        bool on = rows[i] == screen->selected;
        dlgDrawPicture(eFILE_CATEGORY_ROW, kTagListX, top, on ? kDlgHighlight : kDlgCategory);
        dlgDrawText(waveTagNamePtr(rows[i]), kTagListX + 6, top, kTagRowH, on ? gifGrey(1.0f) : kDlgText);
    }
}
