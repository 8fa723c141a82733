// The wave list frame. See frames.h.
#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/global.h"
#include "foundation/mem.h"
#include "gui/gifqueue.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "resource/user.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"
#include "windows/main/wavutil.h"

namespace {

// View flags of G (bit 1 alphabetical, bit 2 categories shown).
bool byName() { return (G.viewFlag & 2u) != 0; }
bool showTags() { return (G.viewFlag & 4u) != 0; }

constexpr sGifColor kShaded = gifGrey(72.0f / 255.0f);
constexpr sGifColor kPlain = gifGrey(53.0f / 255.0f);
constexpr sGifColor kDropRow = gifRgb255(255, 128, 128);
constexpr int64_t kDoubleClickMs = 400;
// How far the pointer moves with the button held before rows are dragged.
constexpr float kDragStart = 4;

void post(CgifUIWaveUtility *s, int32_t msg, const void *value, intptr_t param = 0) {
    s->sendEventID(msg, reinterpret_cast<intptr_t>(value), param, nullptr);
}

}  // namespace

CgifFrWaveList::~CgifFrWaveList() { memFree(rows); }

int CgifFrWaveList::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (!rows) rows = static_cast<sMwRow *>(memCalloc(sizeof(sMwRow) * kMwRowMax, "Rows"));
    if (!rows) return -1;
    return setBackground(-1, kMwListX, kMwListY, kMwListW, kMwListH);
}

void CgifFrWaveList::update() {
    initTagOpen();
    updateListSort();
}

void CgifFrWaveList::forget() {
    rowCount = 0;
    current = pressRow = dropRow = rightRow = lastClickRow = -1;
    dragging = 0;
    scroll = 0;
    openedFor = nullptr;
    setDirty();
}

void CgifFrWaveList::initTagOpen() {
    sWaveList *list = G.currentWaveList;
    if (!list || openedFor == list) return;
    openedFor = list;
    int n = waveListTagCount(list);
    if (n != userGetTagNum()) return;
    int i = 0;
    for (auto *it = static_cast<sListItem *>(list->tagOrder.first); it; it = it->next, i++)
        if (std::strcmp(static_cast<sTag *>(it->item)->name, userGetTagName(i) ? userGetTagName(i) : "") != 0) return;
    i = 0;
    for (auto *it = static_cast<sListItem *>(list->tagOrder.first); it; it = it->next, i++)
        waveTagIsOpen(static_cast<sTag *>(it->item), userGetTagOpenStatus(i));
}

void CgifFrWaveList::updateListSort() {
    setDirty();
    sWaveList *list = G.currentWaveList;
    // The selection is kept by record across the rebuild.
    std::vector<void *> selected;
    void *currentItem = current >= 0 && current < rowCount ? rows[current].item : nullptr;
    for (int i = 0; i < rowCount; i++)
        if (rows[i].bits & MW_ROW_SELECTED) selected.push_back(rows[i].item);
    std::sort(selected.begin(), selected.end());
    rowCount = 0;
    current = -1;
    if (!list) return;
    // One pass over the pads instead of one per wave.
    std::vector<uint8_t> used(kWaveNumberMax + 1, 0);
    for (sPad *p = static_cast<sPad *>(list->pads.first); p; p = p->next) {
        if (p->waveNumber >= 0 && p->waveNumber <= kWaveNumberMax) used[p->waveNumber] = 1;
        if (p->subWaveNumber >= 0 && p->subWaveNumber <= kWaveNumberMax) used[p->subWaveNumber] = 1;
    }
    int shade = 0;
    auto add = [&](void *item, uint32_t bits) {
        if (rowCount >= kMwRowMax) return;
        if (bits & MW_ROW_WAVE) {
            auto *w = static_cast<sWave *>(item);
            if (w->isNew) bits |= MW_ROW_NEW;
            if (w->waveNumber >= 0 && w->waveNumber <= kWaveNumberMax && used[w->waveNumber]) bits |= MW_ROW_USED;
            if (shade++ % 2 == 0) bits |= MW_ROW_SHADED;
        }
        if (std::binary_search(selected.begin(), selected.end(), item)) bits |= MW_ROW_SELECTED;
        if (item == currentItem) current = rowCount;
        rows[rowCount] = sMwRow{rowCount * kMwRowH, bits, item};
        rowCount++;
    };
    auto addWaves = [&](sListBase *view) {
        for (auto *it = static_cast<sListItem *>(view->first); it; it = it->next) add(it->item, MW_ROW_WAVE);
    };
    if (showTags()) {
        for (auto *it = static_cast<sListItem *>(list->tagOrder.first); it; it = it->next) {
            auto *tag = static_cast<sTag *>(it->item);
            bool open = waveTagIsOpen(tag);
            add(tag, open ? uint32_t(MW_ROW_OPEN) : 0u);
            shade = 0;
            if (open) addWaves(byName() ? &tag->membersAlphabet : &tag->membersNumber);
        }
    } else {
        addWaves(byName() ? &list->waveAlphabet : &list->waveNumber);
    }
    if (current < 0) current = selectedRow(0);
    scrollBy(0);
}

int CgifFrWaveList::rowAt(float y) const {
    if (y < kMwListY || y >= kMwListY + kMwListH) return -1;
    int i = (int(y - kMwListY) + scroll) / kMwRowH;
    return i >= 0 && i < rowCount ? i : -1;
}

int CgifFrWaveList::maxScroll() const { return std::max(0, rowCount * kMwRowH - int(kMwListH)); }

bool CgifFrWaveList::scrollTo(int pixels) {
    int to = std::clamp(pixels, 0, maxScroll());
    if (to == scroll) return false;
    scroll = to;
    setDirty();
    return true;
}

bool CgifFrWaveList::scrollBy(int pixels) { return scrollTo(scroll + pixels); }

void CgifFrWaveList::showRow(int i) {
    if (i < 0 || i >= rowCount) return;
    int top = i * kMwRowH;
    if (top < scroll) scrollTo(top);
    else if (top + kMwRowH > scroll + int(kMwListH)) scrollTo(top + kMwRowH - int(kMwListH));
}

void CgifFrWaveList::clearSelection() {
    for (int i = 0; i < rowCount; i++) rows[i].bits &= ~MW_ROW_SELECTED;
    setDirty();
}

void CgifFrWaveList::selectRow(int i, bool on) {
    if (i < 0 || i >= rowCount) return;
    if (on) rows[i].bits |= MW_ROW_SELECTED;
    else rows[i].bits &= ~MW_ROW_SELECTED;
    setDirty();
}

int CgifFrWaveList::selectCount() const {
    int n = 0;
    for (int i = 0; i < rowCount; i++) n += (rows[i].bits & MW_ROW_SELECTED) ? 1 : 0;
    return n;
}

int CgifFrWaveList::selectedRow(int n) const {
    for (int i = 0; i < rowCount; i++)
        if ((rows[i].bits & MW_ROW_SELECTED) && n-- == 0) return i;
    return -1;
}

void CgifFrWaveList::selectItems(void *const *items, int n) {
    // The records may sit in closed categories: open those first.
    for (int k = 0; k < n; k++) {
        bool isTag = false;
        for (auto *t = G.currentWaveList ? static_cast<sTag *>(G.currentWaveList->tags.first) : nullptr; t; t = t->next)
            if (t == items[k]) isTag = true;
        if (!isTag && items[k]) {
            sTag *tag = waveWaveTagPtr(static_cast<sWave *>(items[k]));
            if (tag) waveTagIsOpen(tag, 1);
        }
    }
    updateListSort();
    clearSelection();
    current = -1;
    for (int i = 0; i < rowCount; i++)
        for (int k = 0; k < n; k++)
            if (rows[i].item == items[k]) {
                rows[i].bits |= MW_ROW_SELECTED;
                if (k == 0) current = i;
            }
    showRow(current);
}

sTag *CgifFrWaveList::rowTag(int i) const {
    if (i < 0 || i >= rowCount) return nullptr;
    return (rows[i].bits & MW_ROW_WAVE) ? waveWaveTagPtr(static_cast<sWave *>(rows[i].item)) : static_cast<sTag *>(rows[i].item);
}

void CgifFrWaveList::openTag(int force) {
    if (current < 0 || current >= rowCount || (rows[current].bits & MW_ROW_WAVE)) return;
    auto *tag = static_cast<sTag *>(rows[current].item);
    waveTagIsOpen(tag, force ? 1 : !waveTagIsOpen(tag));
    updateListSort();
}

void CgifFrWaveList::updownSelectIndex(int step) {
    int to = current + step;
    if (to < 0 || to >= rowCount) return;
    clearSelection();
    selectRow(to, true);
    current = to;
    showRow(to);
    hitWaveList(0);
}

void CgifFrWaveList::hitWaveList(int button) {
    if (current < 0 || current >= rowCount) return;
    screen->screenFlags &= ~MWF_PAD_FOCUS;
    const sMwRow &r = rows[current];
    bool playing = editWaveUtilityGetNowPlayingWave() == 0;
    if (!(r.bits & MW_ROW_WAVE)) {
        post(screen, MW_MSG_SELECT_WAVE, nullptr);
        post(screen, MW_MSG_SELECT_TAG, r.item);
        if (playing) screen->stopWave();
        return;
    }
    auto *wave = static_cast<sWave *>(r.item);
    bool other = wave != waveWaveSelectPtr();
    post(screen, MW_MSG_SELECT_WAVE, wave);
    post(screen, MW_MSG_SELECT_TAG, nullptr);
    if (!(G.viewFlag & 8u) && playing && other) screen->stopWave();
    if (button == 1 && other) screen->autoPlayWave();
}

void CgifFrWaveList::sortWaveList(int target, bool after) {
    if (target < 0 || target >= rowCount) return;
    if (editWaveUtilityGetNowPlayingWave() == 0) screen->stopWave();
    const sMwRow &t = rows[target];
    sWave *targetWave = (t.bits & MW_ROW_WAVE) ? static_cast<sWave *>(t.item) : nullptr;
    sTag *targetTag = rowTag(target);
    if (!targetTag) return;
    post(screen, MW_MSG_SELECT_TAG, targetTag);
    post(screen, MW_MSG_SELECT_WAVE, nullptr);
    sWave *lastWave = nullptr;
    for (int i = 0; i < rowCount; i++) {
        if (!(rows[i].bits & MW_ROW_SELECTED)) continue;
        if (rows[i].bits & MW_ROW_WAVE) {
            auto *w = static_cast<sWave *>(rows[i].item);
            if (w == targetWave) continue;
            post(screen, MW_MSG_MOVE_WAVE, w);
            waveTagIsOpen(targetTag, 1);
            lastWave = w;
        } else if (rows[i].item != targetTag) {
            post(screen, MW_MSG_SELECT_TAG, rows[i].item);
            post(screen, after ? MW_MSG_TAG_AFTER : MW_MSG_TAG_BEFORE, targetTag);
            post(screen, MW_MSG_SELECT_TAG, targetTag);
        }
    }
    if (lastWave) post(screen, MW_MSG_SELECT_WAVE, lastWave);
}

int CgifFrWaveList::calcPrivate(int code, int value, int, sgifUISystem s) {
    if (!G.currentWaveList) return 0;
    switch (code) {
    case WEV_WHEEL_UP:
    case WEV_WHEEL_DOWN: {
        int turn = value ? std::abs(int16_t(value)) : 1;
        return scrollBy((code == WEV_WHEEL_UP ? -1 : 1) * 3 * kMwRowH * std::min(turn, 10)) ? 1 : 0;
    }
    case WEV_MOUSE_LEFT: {
        if (value == 0) return 0;  // the screen ends drags
        int i = rowAt(s.mouseY);
        if (i < 0) return 0;
        int64_t now = ghostGetTime();
        bool dbl = i == lastClickRow && now - lastClickMs < kDoubleClickMs;
        lastClickRow = dbl ? -1 : i;
        lastClickMs = now;
        bool sel = (rows[i].bits & MW_ROW_SELECTED) != 0;
        if (s.shiftHeld) {
            int anchor = -1;
            for (int k = 0; k < i && anchor < 0; k++)
                if (rows[k].bits & MW_ROW_SELECTED) anchor = k;
            for (int k = rowCount - 1; k > i && anchor < 0; k--)
                if (rows[k].bits & MW_ROW_SELECTED) anchor = k;
            clearSelection();
            if (anchor >= 0)
                for (int k = std::min(anchor, i); k <= std::max(anchor, i); k++) selectRow(k, true);
        } else if (s.controlHeld) {
            if (sel) {
                selectRow(i, false);
                current = selectedRow(0);
                return 1;
            }
        } else if (!sel) {
            clearSelection();
        }
        selectRow(i, true);
        current = i;
        pressRow = i;
        hitWaveList(1);
        if (dbl) {
            if (rows[i].bits & MW_ROW_WAVE) {
                if (editWaveUtilityGetNowPlayingWave() == 0) screen->stopWave();
                screen->playWave();
            } else {
                openTag(0);
            }
            pressRow = -1;
        } else if (!(rows[i].bits & MW_ROW_WAVE) && s.mouseX < kMwListX + 22) {
            // The open/close mark.
            openTag(0);
            pressRow = -1;
        } else if ((rows[i].bits & MW_ROW_USED) && s.mouseX >= kMwListX + kMwListW - 26) {
            // The kit mark: the kits using this wave.
            editWaveUtilityOpenCmbBox();
            pressRow = -1;
        }
        return 1;
    }
    case WEV_MOUSE_RIGHT: {
        int i = rowAt(s.mouseY);
        if (value) {
            rightRow = i;
            if (i < 0) return 0;
            if (!(rows[i].bits & MW_ROW_SELECTED)) clearSelection();
            selectRow(i, true);
            current = i;
            hitWaveList(2);
            return 1;
        }
        if (rightRow < 0 || i != rightRow) return 0;
        rightRow = -1;
        if (rows[i].bits & MW_ROW_WAVE) {
            const int codes[] = {1028, 1029, -1, 1030};
            editWaveUtilityPopupMenuCreate(4, codes);
        } else {
            const int codes[] = {1024, 1027, -1, 1030};
            editWaveUtilityPopupMenuCreate(4, codes);
        }
        return 1;
    }
    default: return 0;
    }
}

void CgifFrWaveList::drawPrivate() {
    gifDrawRect(kMwListX, kMwListY, kMwListW, kMwListH, gifGrey(0.13f));
    int first = scroll / kMwRowH;
    float dropY = -1;
    for (int i = first; i < rowCount && i <= first + kMwRowsShown; i++) {
        const sMwRow &r = rows[i];
        float y = kMwListY + float(i * kMwRowH - scroll);
        bool wave = (r.bits & MW_ROW_WAVE) != 0;
        sGifColor bgc = (r.bits & MW_ROW_SELECTED) ? kMwSelected : (r.bits & MW_ROW_SHADED) ? kShaded : kPlain;
        if (i == dropRow && !dragging && screen->system.dragEntered && !wave) bgc = kDropRow;
        if (i == dropRow) dropY = y + (dropAfter ? kMwRowH : 0);
        mwDrawPicture(eFILE_LIST_ROW, kMwListX, y, bgc);
        char text[40];
        if (wave) {
            auto *w = static_cast<sWave *>(r.item);
            std::snprintf(text, sizeof text, "%04d %s", w->waveNumber, w->name);
            mwDrawText(12, kMwListX + 30, y + 15, text, (r.bits & MW_ROW_NEW) ? kMwNewWave : kMwText);
            if (r.bits & MW_ROW_USED) mwDrawPicture(eFILE_KIT_MARK, kMwListX + kMwListW - 22, y + 4, kMwText);
        } else {
            auto *t = static_cast<sTag *>(r.item);
            mwDrawPicture((r.bits & MW_ROW_OPEN) ? eFILE_MARK_OPEN : eFILE_MARK_CLOSED, kMwListX + 6, y + 4);
            mwDrawText(12, kMwListX + 24, y + 15, t->name, gifGrey(1.0f));
        }
    }
    if (current >= first && current <= first + kMwRowsShown && current < rowCount)
        mwDrawPicture(eFILE_ROW_FOCUS, kMwListX, kMwListY + float(current * kMwRowH - scroll));
    if (dropY >= 0 && (dragging || screen->system.dragEntered)) mwDrawPicture(eFILE_DROP_LINE, kMwListX, dropY - 1);
}
