// The main window's screen. See wavutil.h.
#include "windows/main/wavutil.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "foundation/global.h"
#include "gui/bmfdraw.h"
#include "gui/button.h"
#include "gui/current.h"
#include "gui/objmng.h"
#include "gui/sprite.h"
#include "gui/text.h"
#include "gui/texture.h"
#include "gui/spin.h"
#include "gui/slider.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "resource/user.h"
#include "wavelib/request.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"

// --- Drawing helpers --------------------------------------------------------------------

void mwDrawPicture(int id, float x, float y, sGifColor c) {
    CgifTexMng *t = gifCurrentTextures();
    CgifTexObj *tex = t ? t->getTexObject(id) : nullptr;
    if (!tex || !tex->isLoaded()) return;
    CgifSprite s;
    s.reset();
    s.init(tex);
    s.setWorldLeftTopPos(x, y);
    s.setColor(c);
    s.draw();
}

void mwDrawText(int size, float x, float y, const char *text, sGifColor c) { bmfDrawString(size, text, x, y, c); }

namespace {

enum : int {
    KEY_LEFT = 137,
    KEY_DOWN = 138,
    KEY_RIGHT = 139,
    KEY_UP = 140,
    KEY_RETURN = 220,
    KEY_SPACE = 221,
};

sWave *padWave(int slot) {
    sWaveList *list = G.currentWaveList;
    sKit *kit = waveKitSelectPtr();
    sPad *pad = kit ? waveKitPadPtr(kit, slot / 2) : nullptr;
    if (!pad) return nullptr;
    return (slot & 1) ? wavePadSubWavePtr(list, pad) : wavePadWavePtr(list, pad);
}

}  // namespace

// --- Building ------------------------------------------------------------------------------

int CgifUIWaveUtility::init() {
    if (initManagers(512, 1024) < 0 || loadPictures(kPictureCountMain) < 0) return 0;
    scroll = new CgifFrScrollbar(this);
    top = new CgifFrWaveTop;
    list = new CgifFrWaveList(this);
    player = new CgifFrWavePlayer;
    pads = new CgifFrPad(this, 0, 9);
    exPads = new CgifFrExPad(this);
    exitFrame = new CgifFrExit;
    kit = new CgifFrKit(this);
    bg = new CgifFrBG;
    // Calc order is the index order; each frame learns its index from addFrame.
    CgifFrame *order[MW_FRAME_COUNT] = {scroll, top, player, pads, exPads, exitFrame, kit, list, bg};
    for (CgifFrame *f : order) {
        if (!f || addFrame(f) < 0) {
            delete f;
            return 0;
        }
    }
    for (CgifFrame *f : order)
        if (f->init() < 0) return 0;
    const int draw[MW_FRAME_COUNT] = {MW_FRAME_BG, MW_FRAME_TOP, MW_FRAME_LIST, MW_FRAME_PLAYER, MW_FRAME_PAD,
                                      MW_FRAME_EXPAD, MW_FRAME_EXIT, MW_FRAME_KIT, MW_FRAME_SCROLL};
    setDrawOrder(draw, MW_FRAME_COUNT);
    kitIndex = userGetKitIndex();
    if (kitIndex < 0 || kitIndex >= kKitCount) kitIndex = 0;
    player->setVolume(userGetPlayerVolume());
    update();
    screenFlags |= UIF_REDRAW | UIF_CLEAR | UIF_REDRAW2;
    return 1;
}

// --- Accessors ----------------------------------------------------------------------------

int CgifUIWaveUtility::getWaveListSelectNum() const { return list ? list->selectCount() : 0; }

int CgifUIWaveUtility::getWaveListSelectType(int i) const {
    int r = list ? list->selectedRow(i) : -1;
    return r < 0 ? -1 : (list->rows[r].bits & MW_ROW_WAVE) ? 1 : 0;
}

void *CgifUIWaveUtility::getWaveListSelectPtr(int i) const {
    int r = list ? list->selectedRow(i) : -1;
    return r < 0 ? nullptr : list->rows[r].item;
}

int CgifUIWaveUtility::getWaveListDataNum() const { return list ? list->rowCount : 0; }

void CgifUIWaveUtility::setDrawAll(int on) {
    for (int i = 0; i < frameCount; i++) frames[i]->setDirty();
    if (on) screenFlags |= UIF_CLEAR;
}

void CgifUIWaveUtility::endTextEdit() { system.endEdit = 1; }

void CgifUIWaveUtility::playWave() {
    sendEventID(MW_MSG_LOOP, player->loop->getValue(), 0, nullptr);
    sendEventID(MW_MSG_VOLUME, player->getVolume(), 0, nullptr);
    sendEventID(MW_MSG_PLAY, 1, 0, nullptr);
    player->showPlaying(1);
}

void CgifUIWaveUtility::stopWave() { sendEventID(MW_MSG_STOP, 1, 0, nullptr); }

void CgifUIWaveUtility::autoPlayWave() {
    if (!(G.viewFlag & 8u)) return;
    if (editWaveUtilityGetNowPlayingWave() == 0) stopWave();
    playWave();
}

void CgifUIWaveUtility::exportWave() {
    for (int i = 0; i < getWaveListSelectNum(); i++)
        if (getWaveListSelectType(i) == 1) sendEventID(MW_MSG_EXPORT, reinterpret_cast<intptr_t>(getWaveListSelectPtr(i)), 0, nullptr);
}

void CgifUIWaveUtility::selectPad(int slot) {
    padSlot = slot;
    sendEventID(MW_MSG_SELECT_PAD, slot, 0, nullptr);
    pads->setDirty();
    exPads->setDirty();
}

// --- Views ----------------------------------------------------------------------------------

void CgifUIWaveUtility::update() {
    for (int i = 0; i < frameCount; i++) {
        frames[i]->update();
        frames[i]->setDirty();
    }
    scroll->follow();
    screenFlags |= UIF_REDRAW | UIF_REDRAW2;
}

void CgifUIWaveUtility::draw() {
    bool playerOnly = true, any = (screenFlags & UIF_CLEAR) != 0;
    for (int i = 0; i < frameCount; i++) {
        if (i != MW_FRAME_PLAYER && (frames[i]->flags & FRAME_DIRTY)) playerOnly = false;
        any = any || (frames[i]->flags & FRAME_DIRTY);
    }
    // An idle window costs no drawing at all.
    if (!any) {
        frameFinished = 0;
        return;
    }
    if (!playerOnly || (screenFlags & UIF_CLEAR)) screenFlags |= MWF_WHOLE_WINDOW;
    drawFrames();
    // The dragged rows follow the pointer over every frame.
    if (list->dragging && list->pressRow >= 0 && list->pressRow < list->rowCount) {
        const float whole[4] = {0, 0, float(windowWidth), float(windowHeight)};
        gifSetProjection(whole, windowWidth, windowHeight, 0);
        const sMwRow &r = list->rows[list->pressRow];
        const char *name = (r.bits & MW_ROW_WAVE) ? static_cast<sWave *>(r.item)->name : static_cast<sTag *>(r.item)->name;
        float x = system.mouseX + 12, y = system.mouseY + 8;
        gifDrawRect(x, y, 160, 20, sGifColor{kMwSelected.r, kMwSelected.g, kMwSelected.b, 0.7f});
        mwDrawText(12, x + 6, y + 15, name, gifGrey(1.0f));
        frameFinished = 1;
    }
}

void CgifUIWaveUtility::getDrawFrameSize(int *x, int *y, int *w, int *h) {
    if (!(screenFlags & MWF_WHOLE_WINDOW) && editWaveUtilityGetNowPlayingWave() == 0) {
        *x = int(player->viewport[0]), *y = int(player->viewport[1]);
        *w = int(player->viewport[2]), *h = int(player->viewport[3]);
        return;
    }
    screenFlags &= ~MWF_WHOLE_WINDOW;
    *x = *y = 0;
    *w = windowWidth, *h = windowHeight;
}

// --- Notifications ----------------------------------------------------------------------------

void CgifUIWaveUtility::calcEvent(int code, intptr_t value, const char *text) {
    switch (code) {
    case MW_REQ_WAVES_TOUCHED:
    case MW_REQ_TAGS_TOUCHED: {
        std::vector<void *> items;
        sListBase &touched = code == MW_REQ_WAVES_TOUCHED ? gTagChangeWave : gOrderChangeTag;
        for (auto *it = static_cast<sListItem *>(touched.first); it; it = it->next) items.push_back(it->item);
        if (code == MW_REQ_WAVES_TOUCHED) waveListOperationWaveDelete();
        else waveListOperationTagDelete();
        list->selectItems(items.data(), int(items.size()));
        if (code == MW_REQ_WAVES_TOUCHED && !items.empty()) sendEventID(MW_MSG_SELECT_WAVE, reinterpret_cast<intptr_t>(items[0]), 0, nullptr);
        scroll->follow();
        break;
    }
    case MW_REQ_KIT_NAME:
    case MW_REQ_KIT_SUBNAME: update(); break;
    case MW_REQ_PAD_SELECT:
        if (value >= 0 && value < 2 * kKitPadCount) {
            selectPad(int(value));
            screenFlags |= MWF_PAD_FOCUS;
        }
        break;
    case MW_REQ_ASSIGN_REFUSED: padCursor = 1; break;
    case MW_REQ_ASSIGNED: {
        void *item = reinterpret_cast<void *>(value);
        if (item) list->selectItems(&item, 1);
        update();
        break;
    }
    case MW_REQ_KIT_CHOSEN:
        if (value - 1 >= 0 && value - 1 < kKitCount) {
            kitIndex = int(value - 1);
            sendEventID(MW_MSG_SELECT_KIT, kitIndex, 0, nullptr);
            update();
        }
        break;
    case MW_REQ_TOTAL_TIME: player->setTotal(text && text[0] ? std::strtoull(text, nullptr, 10) : 0); break;
    case MW_REQ_FILE_SIZE: player->setInfo(player->channels, uint32_t(value)); break;
    case MW_REQ_CHANNELS: player->setInfo(int(value), player->fileSize); break;
    case MW_REQ_POSITION:
        player->setTimebar(int(value));
        player->setPosition(int(value));
        break;
    case MW_REQ_STOPPED:
        player->setTimebar(0);
        player->setPosition(0);
        player->showPlaying(0);
        break;
    case MW_REQ_ENDED: stopWave(); break;
    case MW_REQ_IMPORT_CLOSED: player->setVolume(userGetPlayerVolume()); break;
    case MW_REQ_WAVEEDIT_DONE:
        if (value == 1 && list->current >= 0 && list->current < list->rowCount && (list->rows[list->current].bits & MW_ROW_WAVE)) {
            sTag *tag = waveWaveTagPtr(static_cast<sWave *>(list->rows[list->current].item));
            if (tag) waveTagIsOpen(tag, 1);
            list->updateListSort();
        }
        break;
    default: return;
    }
    screenFlags |= UIF_REDRAW | UIF_REDRAW2;
}

// --- Input ---------------------------------------------------------------------------------------

void CgifUIWaveUtility::runContextCommand(int code) {
    switch (code) {
    case 1024: list->openTag(0); break;
    case 1025: list->openTag(1); break;
    case 1026:
        if (list->current >= 0 && !(list->rows[list->current].bits & MW_ROW_WAVE)) {
            waveTagIsOpen(static_cast<sTag *>(list->rows[list->current].item), 0);
            list->updateListSort();
        }
        break;
    case 1027: sendEventID(MW_MSG_OPEN_CATEGORY, 0, 0, nullptr); break;
    case 1029: exportWave(); break;
    case 1030: {
        // One gesture: the controller asks once for all its categories.
        int b = ++deleteBatch;
        for (int i = 0; i < getWaveListSelectNum(); i++) {
            intptr_t item = reinterpret_cast<intptr_t>(getWaveListSelectPtr(i));
            sendEventID(getWaveListSelectType(i) == 1 ? MW_MSG_DELETE_WAVE : MW_MSG_DELETE_TAG, item, b, nullptr);
        }
        break;
    }
    case 1031: sendEventID(MW_MSG_ASSIGN, 0, 0, nullptr); break;
    case 1032: sendEventID(MW_MSG_RELEASE, 0, 0, nullptr); break;
    default: break;
    }
}

void CgifUIWaveUtility::calcKeys(int code, int value, int) {
    if (code == KEY_SPACE && value == 0) screenFlags &= ~MWF_SPACE_HANDLED;
    if (value == 0) return;
    bool padFocus = (screenFlags & MWF_PAD_FOCUS) != 0;
    switch (code) {
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_UP:
    case KEY_DOWN: {
        if (!padFocus) {
            if (code == KEY_UP || code == KEY_DOWN) list->updownSelectIndex(code == KEY_UP ? -1 : 1);
            break;
        }
        int p = padSlot < 0 ? 0 : padSlot / 2;
        int to = p + (code == KEY_LEFT ? -1 : code == KEY_RIGHT ? 1 : code == KEY_UP ? -3 : 3);
        if (to >= 0 && to < kKitPadCount) selectPad(to * 2);
        screenFlags |= MWF_WHOLE_WINDOW;
        break;
    }
    case KEY_SPACE: {
        if (screenFlags & MWF_SPACE_HANDLED) break;
        screenFlags |= MWF_SPACE_HANDLED;
        sWave *wave = padFocus ? padWave(padSlot) : nullptr;
        if (!padFocus && list->current >= 0 && (list->rows[list->current].bits & MW_ROW_WAVE))
            wave = static_cast<sWave *>(list->rows[list->current].item);
        if (!wave) break;
        bool differs = wave != waveWaveSelectPtr();
        sendEventID(MW_MSG_SELECT_WAVE, reinterpret_cast<intptr_t>(wave), 0, nullptr);
        if (editWaveUtilityGetNowPlayingWave() == 0) {
            stopWave();
            if (padFocus && differs) playWave();
        } else {
            playWave();
        }
        break;
    }
    case KEY_RETURN: list->openTag(0); break;
    default: break;
    }
}

// Files dropped from the file manager: on a category row (or a wave row's
// category) they are imported there; on a pad, imported and assigned.
void CgifUIWaveUtility::dropFiles(int x, int y) {
    int b = ++batch;
    CgifFrPad *frames2[2] = {pads, exPads};
    for (CgifFrPad *f : frames2) {
        int slot = f->slotAt(float(x), float(y));
        if (slot < 0) continue;
        selectPad(slot);
        sWaveList *lib = G.currentWaveList;
        sendEventID(MW_MSG_DROP_PAD, reinterpret_cast<intptr_t>(lib ? lib->defaultTag : nullptr), b, nullptr);
        return;
    }
    int row = list->rowAt(float(y));
    if (x < kMwListX || x >= kMwListX + kMwListW) row = -1;
    sTag *tag = row >= 0 ? list->rowTag(row) : nullptr;
    if (!tag && G.currentWaveList && x >= kMwListX && x < kMwListX + kMwListW && y >= kMwListY && y < kMwListY + kMwListH)
        tag = G.currentWaveList->defaultTag;
    if (tag) sendEventID(MW_MSG_DROP_TAG, reinterpret_cast<intptr_t>(tag), b, nullptr);
}

int CgifUIWaveUtility::calc(int code, int value, int key, const char *text) {
    frameFinished = 0;
    trackInput(code, value, text);
    setManeger();
    if (code == WEV_REDRAW) {
        setDrawAll(1);
        return 1;
    }
    if (!G.currentWaveList) return 0;
    if (code >= 1024 && code <= 1032) {
        runContextCommand(code);
        return 1;
    }
    int changed = 0;
    float mx = system.mouseX, my = system.mouseY;
    bool move = code == WEV_MOUSE_X || code == WEV_MOUSE_Y;
    // A drag of list rows.
    if (list->pressRow >= 0 && move && system.leftHeld) {
        if (!list->dragging && (std::abs(mx - system.pressX) > 4 || std::abs(my - system.pressY) > 4)) {
            list->dragging = 1;
            const sMwRow &r = list->rows[list->pressRow];
            bool wave = (r.bits & MW_ROW_WAVE) != 0;
            sendEventID(MW_MSG_CURSOR_DRAG, wave ? 1 : 0, 0, nullptr);
            sendEventID(MW_MSG_DRAG_WAVE, wave ? reinterpret_cast<intptr_t>(r.item) : 0, 0, nullptr);
        }
        if (list->dragging) {
            if (my < kMwListY + 10) list->scrollBy(-kMwRowH);
            else if (my > kMwListY + kMwListH - 10 && my < kMwListY + kMwListH + 20) list->scrollBy(kMwRowH);
            list->dropRow = list->rowAt(my);
            list->dropAfter = list->dropRow >= 0 && int(my - kMwListY + list->scroll) % kMwRowH >= kMwRowH / 2;
            scroll->follow();
            setDrawAll(0);
            return 1;
        }
    }
    if (code == WEV_MOUSE_LEFT && value == 0 && list->pressRow >= 0) {
        if (list->dragging) {
            int slot = pads->slotAt(mx, my);
            if (slot < 0) slot = exPads->slotAt(mx, my);
            if (slot >= 0) {
                selectPad(slot);
                if (getWaveListSelectNum() == 1 && getWaveListSelectType(0) == 1) sendEventID(MW_MSG_ASSIGN, 0, 0, nullptr);
                else sendEventID(MW_MSG_MBOX_78, 0, 0, nullptr);
            } else if (list->dropRow >= 0 && (G.viewFlag & 4u)) {
                list->sortWaveList(list->dropRow, list->dropAfter != 0);
            }
            sendEventID(MW_MSG_CURSOR_ARROW, 0, 0, nullptr);
            sendEventID(MW_MSG_DRAG_WAVE, 0, 0, nullptr);
            setDrawAll(0);
        }
        list->dragging = 0;
        list->pressRow = -1;
        list->dropRow = -1;
        return 1;
    }
    // A drag between pads exchanges them.
    for (CgifFrPad *f : {pads, static_cast<CgifFrPad *>(exPads)}) {
        if (f->pressSlot < 0 || code != WEV_MOUSE_LEFT || value != 0) continue;
        int from = f->pressSlot;
        f->pressSlot = -1;
        int to = pads->slotAt(mx, my);
        if (to < 0) to = exPads->slotAt(mx, my);
        if (to >= 0 && to / 2 != from / 2) {
            waveWavePadExchange(padWave(from), padWave(to), from, to);
            sendEventID(MW_MSG_PAD_EXCHANGE, 0, 0, nullptr);
        }
        return 1;
    }
    // Files dragged in from outside.
    if (code == WEV_DRAG_ENTER || code == WEV_DRAG_OVER || (move && system.dragEntered)) {
        list->dropRow = list->rowAt(my);
        list->dropAfter = 0;
        list->setDirty();
        return 1;
    }
    if (code == WEV_DRAG_LEAVE) {
        list->dropRow = -1;
        list->setDirty();
        return 1;
    }
    if (code == WEV_DROP) {
        list->dropRow = -1;
        list->setDirty();
        dropFiles(int(mx), int(my));
        return 1;
    }
    if (objects && objects->calc(code, value, key, system)) changed = 1;
    bool listKey = (code >= KEY_LEFT && code <= KEY_UP) || code == KEY_SPACE || code == KEY_RETURN;
    if (listKey && !system.textEditing && !changed) calcKeys(code, value, key);
    bool pointer = (code >= WEV_MOUSE_LEFT && code <= WEV_WHEEL_DOWN) || move;
    if (pointer && !changed)
        for (int i = 0; i < frameCount; i++)
            if (frames[i]->calc(code, value, key, system) == 1) {
                changed = 1;
                if (i == MW_FRAME_LIST) scroll->follow();
                break;
            }
    system.endEdit = 0;
    // The kit number, stepped or typed.
    int typed = kit->spin ? kit->spin->getValue() - 1 : kitIndex;
    if (typed != kitIndex && typed >= 0 && typed < kKitCount) {
        kitIndex = typed;
        sendEventID(MW_MSG_SELECT_KIT, kitIndex, 0, nullptr);
        sendEventID(MW_MSG_SELECT_PAD, padSlot, 0, nullptr);
        kit->update();
        kit->setDirty();
        pads->setDirty();
        exPads->setDirty();
    }
    system.inputText = nullptr;
    if (changed) screenFlags |= UIF_REDRAW | UIF_REDRAW2;
    return changed;
}

int CgifUIWaveUtility::calcObject(CgifUIObjBase *widget) {
    if (widget && widget->ownerFrame == scroll) {
        list->scrollTo(scroll->knob ? scroll->knob->getValue() : 0);
        screenFlags |= UIF_REDRAW | UIF_REDRAW2;
    }
    return 0;
}

void CgifUIWaveUtility::deleteFrameObject(CgifUIObjBase *widget) {
    sWaveList *lib = G.currentWaveList;
    if (!widget || !lib) return;
    if (widget == top->newTag) {
        char name[kTagNameLen + 1];
        waveTagNameAbleToUse(name, lib, "NEW");
        sTag *tag = waveTagCreate(lib, name, [](int title, int text, int kind) { return editWaveUtilityMboxOpen(title, text, kind); }, 0);
        if (!tag) return;
        waveTagIsTmpCreate(tag, 1);
        list->updateListSort();
        sendEventID(MW_MSG_SELECT_TAG, reinterpret_cast<intptr_t>(tag), 0, nullptr);
        sendEventID(MW_MSG_OPEN_CATEGORY, 0, 0, nullptr);
    } else if (widget == player->play) {
        if (editWaveUtilityGetNowPlayingWave() != 0) sendEventID(MW_MSG_POSITION, player->getTimebar(), 0, nullptr);
        else stopWave();
        playWave();
    } else if (widget == kit->name || widget == kit->subName) {
        sKit *k = waveListKitPtr(lib, kitIndex);
        auto *t = static_cast<CgifUIText *>(widget);
        bool isName = widget == kit->name;
        const char *old = isName ? waveKitNamePtr(k) : waveKitSubNamePtr(k);
        if (k && std::strcmp(old ? old : "", t->getMessageData()) != 0)
            sendEventID(isName ? MW_MSG_KIT_NAME : MW_MSG_KIT_SUBNAME, kitIndex, 0, t->getMessageData());
    } else if (widget == scroll->knob) {
        list->scrollTo(scroll->knob->getValue());
    }
}
