// The wave import window's list of candidates. See importui.h.
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/waveimport/importui.h"

int CgifFrImportList::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    return setBackground(-1, kImportListX, kImportListY, kImportListW, kImportRowH * kImportRowsShown);
}

int CgifFrImportList::calcPrivate(int code, int value, int, sgifUISystem s) {
    int count = int(screen->candidates.size());
    if (code == WEV_WHEEL_UP || code == WEV_WHEEL_DOWN) {
        int to = first + (code == WEV_WHEEL_UP ? -1 : 1);
        if (to < 0 || to > count - kImportRowsShown) return 0;
        first = to;
        return 1;
    }
    if (code != WEV_MOUSE_LEFT || value != 1) return 0;
    int i = first + int((s.mouseY - kImportListY) / kImportRowH);
    if (i < first || i >= count) return 0;
    screen->select(i);
    return 1;
}

void CgifFrImportList::drawPrivate() {
    gifDrawRect(kImportListX, kImportListY, kImportListW, kImportRowH * kImportRowsShown, gifGrey(0.12f));
    const auto &c = screen->candidates;
    for (int i = first; i < int(c.size()) && i < first + kImportRowsShown; i++) {
        float top = kImportListY + float(i - first) * kImportRowH;
        bool on = i == screen->selected;
        dlgDrawPicture(eFILE_IMPORT_ROW, kImportListX, top, on ? kDlgHighlight : gifGrey(1.0f));
        dlgDrawText(c[size_t(i)].name, kImportListX + 6, top, kImportRowH, kDlgText);
        if (c[size_t(i)].tag) dlgDrawText(waveTagNamePtr(c[size_t(i)].tag), kImportListX + 170, top, kImportRowH, kDlgText);
    }
}
