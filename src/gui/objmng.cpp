// The object manager. See objmng.h.
#include "gui/objmng.h"

#include "gui/frame.h"
#include "gui/objbase.h"
#include "gui/ui.h"
#include "platform/ghost.h"

int CgifObjectMng::setObject(CgifUIObjBase *w) {
    if (!w || (w->flags & OBJ_HELD)) return -1;
    for (CgifUIObjBase *&slot : slots_) {
        if (slot) continue;
        slot = w;
        w->flags |= OBJ_HELD;
        w->heldBy = this;
        if (w->getValueData()) w->param = *w->getValueData();
        if (owner_) owner_->calcSetObject(w);
        count_++;
        return 0;
    }
    return -1;
}

void CgifObjectMng::deleteObject(CgifUIObjBase *w) {
    for (CgifUIObjBase *&slot : slots_) {
        if (!w || slot != w) continue;
        slot = nullptr;
        w->flags &= ~(OBJ_DONE | OBJ_HELD);
        w->heldBy = nullptr;
        count_--;
    }
}

void CgifObjectMng::deleteAll() {
    for (CgifUIObjBase *w : slots_) deleteObject(w);
}

void CgifObjectMng::reset() {
    for (CgifUIObjBase *&slot : slots_) {
        if (slot) slot->heldBy = nullptr;
        slot = nullptr;
    }
    count_ = 0;
    owner_ = nullptr;
}

int CgifObjectMng::calc(int code, int value, int key, const sgifUISystem &system) {
    if (count_ == 0) return 0;
    bool passes = code == WEV_MOUSE_LEFT || code == WEV_MOUSE_MIDDLE || code == WEV_MOUSE_RIGHT ||
                  code == WEV_MOUSE_X || code == WEV_MOUSE_Y || code >= 48;
    if (!passes && !system.textEditing) return 0;
    int result = 0;
    for (CgifUIObjBase *&slot : slots_) {
        CgifUIObjBase *w = slot;
        if (!w || w->calc(code, value, key, system) == 0) continue;
        if (w->flags & OBJ_CHANGED) {
            w->flags &= ~OBJ_CHANGED;
            if (w->ownerFrame) {
                w->ownerFrame->flags |= FRAME_DIRTY;
                if (owner_) owner_->calcObject(w);
                result = 1;
            }
        }
        if (w->flags & OBJ_DONE) {
            // Let go first: the screen may delete the widget.
            deleteObject(w);
            if (owner_) owner_->deleteFrameObject(w);
        }
    }
    return result;
}
