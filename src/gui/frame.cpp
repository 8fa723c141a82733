// Frames. See frame.h.
#include "gui/frame.h"

#include <algorithm>

#include "foundation/mem.h"
#include "gui/current.h"
#include "gui/glinc.h"
#include "gui/glstate.h"
#include "gui/objbase.h"
#include "gui/sprite.h"

CgifFrame::~CgifFrame() { CgifFrame::term(); }

void CgifFrame::term() {
    for (int i = 0; i < objectCount; i++) delete objects[i];
    if (objects) memFree(objects);
    objects = nullptr;
    objectCount = objectCap = 0;
    gifDeleteSprite(background);
    background = nullptr;
    CgifFrame::reset();
}

void CgifFrame::reset() {
    flags = 0;
    index = -1;
    std::fill(viewport, viewport + 4, 0.0f);
}

void CgifFrame::calcViewPort(const sgifUISystem &s) {
    float r[4];
    getViewPort2(r);
    float left = r[0] + ((flags & FRAME_FIXED_X) ? 0.0f : float(s.scrollX));
    float top = r[1] + ((flags & FRAME_FIXED_Y) ? 0.0f : float(s.scrollY));
    float w = r[2], h = r[3];
    const float ww = float(s.frameWidth), wh = float(s.frameHeight);
    if (left < 0) {
        w += left;
        left = 0;
    }
    if (top < 0) {
        h += top;
        top = 0;
    }
    if (left + w > ww) w = ww - left;
    if (top + h > wh) h = wh - top;
    left = std::max(left, 0.0f);
    top = std::max(top, 0.0f);
    w = std::clamp(w, 0.0f, std::max(ww, 0.0f));
    h = std::clamp(h, 0.0f, std::max(wh, 0.0f));
    if (!(flags & FRAME_FIXED_Y) && top < kGifHeaderLimit) {
        h = std::max(h - (kGifHeaderLimit - top), 0.0f);
        top = kGifHeaderLimit;
    }
    viewport[0] = left;
    viewport[1] = top;
    viewport[2] = w;
    viewport[3] = h;
}

int CgifFrame::calcPrivate(int code, int value, int key, sgifUISystem s) {
    return calcObjects(code, value, key, s);
}

void CgifFrame::drawPrivate() { drawObjects(); }

int CgifFrame::calc(int code, int value, int key, sgifUISystem s) {
    if (flags & (FRAME_HIDDEN | FRAME_NO_INPUT)) return 0;
    if (!(flags & FRAME_INPUT_OUTSIDE) && !(background && background->isHit(s.mouseX, s.mouseY))) return 0;
    int r = calcPrivate(code, value, key, s);
    if (r == 1) flags |= FRAME_DIRTY;
    return r;
}

bool CgifFrame::draw() {
    if ((flags & FRAME_HIDDEN) || !(flags & FRAME_DIRTY) || !system) return false;
    calcViewPort(*system);
    if (viewport[2] <= 0 || viewport[3] <= 0) return false;
    gifSetProjection(viewport, system->frameWidth, system->frameHeight, (flags & FRAME_NO_CLEAR) ? 0 : 1);
    glLoadIdentity();
    glTranslatef((flags & FRAME_FIXED_X) ? 0.0f : float(system->scrollX),
                 (flags & FRAME_FIXED_Y) ? 0.0f : float(system->scrollY), 0.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    if (background && !(flags & FRAME_NO_BACKGROUND) && background->getDraw()) background->draw();
    drawPrivate();
    if (!(flags & FRAME_STAY_DIRTY)) flags &= ~FRAME_DIRTY;
    return true;
}

int CgifFrame::setBackground(int picture, float left, float top, float width, float height) {
    gifDeleteSprite(background);
    background = gifNewSprite(picture);
    if (!background) return -1;
    if (width > 0 && height > 0) background->setSize(width, height);
    background->setWorldLeftTopPos(left, top);
    return 0;
}

int CgifFrame::addObject(CgifUIObjBase *w) {
    if (!w) return -1;
    if (objectCount == objectCap) {
        int cap = objectCap ? objectCap * 2 : 8;
        void *grown = objects ? memRealloc(objects, sizeof(*objects) * size_t(cap))
                              : memCalloc(sizeof(*objects) * size_t(cap), "gifObjs");
        if (!grown) return -1;
        objects = static_cast<CgifUIObjBase **>(grown);
        objectCap = cap;
    }
    w->ownerFrame = this;
    objects[objectCount] = w;
    return objectCount++;
}

CgifUIObjBase *CgifFrame::getObject(int i) const { return i >= 0 && i < objectCount ? objects[i] : nullptr; }

CgifUIObjBase *CgifFrame::getObjectForType(int t) const {
    for (int i = 0; i < objectCount; i++)
        if (objects[i]->getType() == t) return objects[i];
    return nullptr;
}

int CgifFrame::calcObjects(int code, int value, int key, const sgifUISystem &s) {
    int r = 0;
    for (int i = 0; i < objectCount; i++)
        if (!(objects[i]->flags & OBJ_HELD) && objects[i]->calc(code, value, key, s)) r = 1;
    return r;
}

void CgifFrame::drawObjects() {
    for (int i = 0; i < objectCount; i++) objects[i]->draw();
}

void CgifFrame::getViewPort2(float r[4]) const {
    if (!background) {
        std::fill(r, r + 4, 0.0f);
        return;
    }
    background->getLeftTop(&r[0], &r[1]);
    r[2] = background->width;
    r[3] = background->height;
}

void CgifFrame::setParentFrame(CgifFrame *parent) {
    parentFrame = parent;
    if (background) background->setParent(parent ? parent->background : nullptr);
}
