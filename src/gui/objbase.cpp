// The widget base class. See objbase.h.
#include "gui/objbase.h"

#include "foundation/global.h"
#include "foundation/log.h"
#include "gui/current.h"
#include "gui/frame.h"
#include "gui/gifqueue.h"
#include "gui/objmng.h"
#include "gui/sprite.h"
#include "platform/ghost.h"

CgifUIObjBase::~CgifUIObjBase() {
    if (heldBy) heldBy->deleteObject(this);
    CgifUIObjBase::term();
}

CgifSprite *CgifUIObjBase::takeSprite(int picture, const char *who) {
    CgifSprite *s = gifNewSprite(picture);
    if (!s) rliDbgLog("%s::init: no sprite left\n", who);
    return s;
}

int CgifUIObjBase::init(int picture) {
    term();
    sprite = takeSprite(picture, "CgifUIObjBase");
    return sprite ? 0 : -1;
}

int CgifUIObjBase::init(const int *pictures, int count) {
    return init(pictures && count > 0 ? pictures[0] : -1);
}

void CgifUIObjBase::term() {
    gifDeleteSprite(sprite);
    sprite = nullptr;
}

int CgifUIObjBase::calc(int, int, int, sgifUISystem) { return 0; }

void CgifUIObjBase::draw() {
    if (sprite && sprite->getDraw()) sprite->draw();
}

int CgifUIObjBase::isHit(float x, float y) const { return sprite ? sprite->isHit(x, y) : 0; }

void CgifUIObjBase::setSize(float w, float h) {
    if (sprite) sprite->setSize(w, h);
}

void CgifUIObjBase::getSize(float *w, float *h) const {
    *w = sprite ? sprite->width : 0.0f;
    *h = sprite ? sprite->height : 0.0f;
}

void CgifUIObjBase::setDraw(int on) {
    if (sprite) sprite->setDraw(on);
}

int CgifUIObjBase::getDraw() const { return sprite ? sprite->getDraw() : 0; }

void CgifUIObjBase::setPos(float x, float y) {
    if (sprite) sprite->setPos(x, y);
}

void CgifUIObjBase::getPos(float *x, float *y) const {
    *x = *y = 0.0f;
    if (sprite) sprite->getPos(x, y);
}

void CgifUIObjBase::setWorldLeftTopPos(float x, float y) {
    if (sprite) sprite->setWorldLeftTopPos(x, y);
}

void CgifUIObjBase::getLeftTop(float *x, float *y) const {
    *x = *y = 0.0f;
    if (sprite) sprite->getLeftTop(x, y);
}

void CgifUIObjBase::setParent(CgifSprite *parent) {
    if (sprite) sprite->setParent(parent);
}

void CgifUIObjBase::setMessage(int32_t msg, intptr_t prm) {
    message = msg;
    param = prm;
    flags |= OBJ_POSTS;
}

void CgifUIObjBase::sendQueue(int value) {
    if (fire != 1 || !(flags & OBJ_ACTIVE)) return;
    if ((flags & OBJ_POSTS) && message != -1) {
        // Messages 5 and 4 carry the volume and the position in thousandths.
        intptr_t v = message == 5 ? intptr_t(value) * 1000 / 120 : message == 4 ? intptr_t(value) * 1000 / 400 : value;
        gifQenter(message, v, param, G.gifQueue);
    }
    fire = 0;
}

bool CgifUIObjBase::isPress(int code, int value) const {
    bool second = (flags & OBJ_SECOND_BUTTON) != 0;
    bool ours = second ? (code == WEV_MOUSE_MIDDLE || code == WEV_MOUSE_RIGHT) : code == WEV_MOUSE_LEFT;
    return ours && (value == 1 || value == 2);
}

bool CgifUIObjBase::isRelease(int code, int value) const {
    bool second = (flags & OBJ_SECOND_BUTTON) != 0;
    bool ours = second ? (code == WEV_MOUSE_MIDDLE || code == WEV_MOUSE_RIGHT) : code == WEV_MOUSE_LEFT;
    return ours && value == 0;
}

bool CgifUIObjBase::buttonHeld(const sgifUISystem &s) const {
    return (flags & OBJ_SECOND_BUTTON) ? (s.mouseBut & (BUT_RIGHT | BUT_MIDDLE)) != 0 : s.leftHeld != 0;
}

void CgifUIObjBase::hold() {
    CgifObjectMng *m = gifCurrentObjects();
    if (m) m->setObject(holder ? holder : this);
}

void CgifUIObjBase::finishAction(bool fired, int value) {
    if (fired) fire = 1;
    sendQueue(value);
    flags |= OBJ_CHANGED | OBJ_DONE;
}

sgifUISystem *CgifUIObjBase::screenSystem() const { return ownerFrame ? ownerFrame->system : nullptr; }
