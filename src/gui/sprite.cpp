// Sprites and the sprite manager. See sprite.h.
#include "gui/sprite.h"

#include <algorithm>

#include "foundation/log.h"
#include "gui/glinc.h"
#include "gui/texture.h"

namespace {

// The default screen area's centre: where a sprite sits until placed.
constexpr float kInitialX = 505.5f, kInitialY = 418.5f;

void vertex(float u, float v, float x, float y) {
    glTexCoord2f(u, v);
    glVertex2f(x, y);
}

}  // namespace

void CgifSprite::reset() {
    *this = CgifSprite{0, 0, nullptr, nullptr, kInitialX, kInitialY, 100.0f, 100.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                       1.0f, sGifColor{1, 1, 1, 1}, 1, 0, 0, 1.0f, 1.0f, owner};
}

void CgifSprite::init(CgifTexObj *t) {
    inUse = drawFlag = 1;
    texture = t;
    if (t && t->loaded) {
        width = t->width;
        height = t->height;
    }
}

void CgifSprite::setPos(float px, float py) {
    x = px;
    y = py;
}

void CgifSprite::getPos(float *px, float *py) const {
    float ax = x, ay = y;
    for (const CgifSprite *p = parent; p; p = p->parent) {
        ax += p->x;
        ay += p->y;
    }
    *px = ax;
    *py = ay;
}

void CgifSprite::setWorldLeftTopPos(float left, float top) {
    float px = 0.0f, py = 0.0f;
    if (parent) parent->getPos(&px, &py);
    setPos(left + width / 2 - px, top + height / 2 - py);
}

void CgifSprite::getLeftTop(float *left, float *top) const {
    getPos(left, top);
    *left -= width / 2;
    *top -= height / 2;
}

void CgifSprite::setMove(float dx, float dy) {
    offsetX += dx;
    offsetY += dy;
}

void CgifSprite::setSize(float w, float h) {
    width = w;
    height = h;
}

void CgifSprite::getSize(float *w, float *h) const {
    *w = width;
    *h = height;
}

void CgifSprite::getOriginalSize(float *w, float *h) const {
    bool pic = texture && texture->loaded;
    *w = pic ? texture->width : width;
    *h = pic ? texture->height : height;
}

sGifColor CgifSprite::getColor() const {
    sGifColor c = color;
    if (inheritColor && parent) {
        sGifColor p = parent->getColor();
        c = sGifColor{c.r * p.r, c.g * p.g, c.b * p.b, c.a * p.a};
    }
    return c;
}

int CgifSprite::getDraw() const {
    for (const CgifSprite *s = this; s; s = s->parent)
        if (!s->drawFlag) return 0;
    return 1;
}

int CgifSprite::isHitExtend(float px, float py, float dx, float dy) const {
    if (!inUse) return 0;
    float cx, cy;
    getPos(&cx, &cy);
    float hw = (width * extentX + dx) / 2, hh = (height * extentY + dy) / 2;
    return px > cx - hw && px < cx + hw && py > cy - hh && py < cy + hh ? 1 : 0;
}

int CgifSprite::isOnScreen(int w, int h) const {
    if (!inUse) return 0;
    float l, t;
    getLeftTop(&l, &t);
    return l >= 30 && t >= 75 && l + width <= float(w - 20) && t + height <= float(h) ? 1 : 0;
}

void CgifSprite::draw() const {
    if (!texture || !texture->loaded) return;
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glPushMatrix();
    float cx, cy;
    getPos(&cx, &cy);
    glTranslatef(float(int(cx + offsetX)), float(int(cy + offsetY)), 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glScalef(scaleX, scaleY, 1.0f);
    sGifColor c = getColor();
    glColor4f(c.r, c.g, c.b, c.a);
    const float tw = texture->texWidth, th = texture->texHeight;
    glBegin(GL_QUADS);
    if (quartered) {
        // Three columns and rows: the picture's halves at their own size in
        // the corners, its middle line of texels stretched between them.
        float w = width * extentX, h = height * extentY;
        float pw = std::min<float>(texture->width, w), ph = std::min<float>(texture->height, h);
        const float xs[4] = {-w / 2, -w / 2 + pw / 2, w / 2 - pw / 2, w / 2};
        const float ys[4] = {-h / 2, -h / 2 + ph / 2, h / 2 - ph / 2, h / 2};
        const float us[4] = {0, texture->width / 2 / tw, texture->width / 2 / tw, texture->width / tw};
        const float vs[4] = {texture->height / th, texture->height / 2 / th, texture->height / 2 / th, 0};
        for (int r = 0; r < 3; r++)
            for (int k = 0; k < 3; k++) {
                vertex(us[k], vs[r], xs[k], ys[r]);
                vertex(us[k + 1], vs[r], xs[k + 1], ys[r]);
                vertex(us[k + 1], vs[r + 1], xs[k + 1], ys[r + 1]);
                vertex(us[k], vs[r + 1], xs[k], ys[r + 1]);
            }
    } else {
        const float u = width / tw, v = height / th;
        const float hx = float(int(width / 2 + 0.5f)), hy = float(int(height / 2 + 0.5f));
        // The last stored row at the top: a picture stored bottom row first stands upright.
        const float top = flipped ? 0.0f : v, bottom = flipped ? v : 0.0f;
        vertex(0, top, -hx, -hy);
        vertex(u, top, hx, -hy);
        vertex(u, bottom, hx, hy);
        vertex(0, bottom, -hx, hy);
    }
    glEnd();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CgifSprite::drawPolygon() const {
    float l, t;
    getLeftTop(&l, &t);
    gifDrawRect(float(int(l + offsetX)), float(int(t + offsetY)), width, height, getColor());
}

void CgifSprite::drawFrameLine(float lineWidth, sGifColor c) const {
    float l, t;
    getLeftTop(&l, &t);
    gifDrawRectLine(float(int(l + offsetX)), float(int(t + offsetY)), width, height, lineWidth, c);
}

// --- Manager ---------------------------------------------------------------------

int CgifSpriteMng::init(int capacity) {
    if (capacity <= 0 || sprites_) return 0;
    sprites_ = static_cast<CgifSprite *>(memCalloc(sizeof(CgifSprite) * size_t(capacity), "gifSpr"));
    if (!sprites_) return -1;
    capacity_ = capacity;
    for (int i = 0; i < capacity_; i++) {
        sprites_[i].owner = this;
        sprites_[i].reset();
    }
    return 0;
}

void CgifSpriteMng::term() {
    if (sprites_) memFree(sprites_);
    sprites_ = nullptr;
    capacity_ = count_ = 0;
}

int CgifSpriteMng::setSprite(CgifTexObj *texture, int slot) {
    if (!sprites_ || slot < -1 || slot >= capacity_) return -1;
    if (slot == -1) {
        for (int i = 0; i < capacity_ && slot == -1; i++)
            if (!sprites_[i].inUse) slot = i;
        if (slot == -1) {
            rliDbgLog("Error SpriteMng Max Over\n");
            return -1;
        }
    }
    CgifSprite &s = sprites_[slot];
    if (!s.inUse) count_++;
    s.reset();
    s.init(texture);
    return slot;
}

CgifSprite *CgifSpriteMng::newSprite(CgifTexObj *texture) {
    int slot = setSprite(texture, -1);
    return slot < 0 ? nullptr : &sprites_[slot];
}

CgifSprite *CgifSpriteMng::getSprite(int slot) {
    return sprites_ && slot >= 0 && slot < capacity_ ? &sprites_[slot] : nullptr;
}

void CgifSpriteMng::deleteSprite(int slot) {
    CgifSprite *s = getSprite(slot);
    if (!s || !s->inUse) return;
    // A child of this sprite would otherwise follow a stranger into the slot.
    for (int i = 0; i < capacity_; i++)
        if (sprites_[i].parent == s) sprites_[i].parent = nullptr;
    s->reset();
    count_--;
}

void CgifSpriteMng::deleteSprite(CgifSprite *sprite) {
    if (sprites_ && sprite >= sprites_ && sprite < sprites_ + capacity_) deleteSprite(int(sprite - sprites_));
}

void CgifSpriteMng::setAllDraw() {
    for (int i = 0; i < capacity_; i++) sprites_[i].drawFlag = 1;
}

void CgifSpriteMng::draw() const {
    for (int i = 0; i < capacity_; i++)
        if (sprites_[i].inUse && sprites_[i].getDraw()) sprites_[i].draw();
}
