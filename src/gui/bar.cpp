// The bar. See bar.h.
#include "gui/bar.h"

#include <initializer_list>

#include "gui/current.h"
#include "gui/sprite.h"
#include "resource/pictures.h"

CgifUIBar::~CgifUIBar() { CgifUIBar::term(); }

int CgifUIBar::init() {
    term();
    sprite = takeSprite(eFILE_BAR_BACK, "CgifUIBar");
    bar = takeSprite(eFILE_BAR_FILL, "CgifUIBar");
    edge = takeSprite(eFILE_BAR_EDGE, "CgifUIBar");
    outline = takeSprite(eFILE_BAR_FRAME, "CgifUIBar");
    if (!sprite || !bar || !edge || !outline) {
        term();
        return -1;
    }
    sprite->setSize(200, 28);
    for (CgifSprite *s : {bar, edge, outline}) s->setParent(sprite);
    outline->setSize(200, 28);
    outline->setPos(0, 0);
    place();
    return 0;
}

void CgifUIBar::term() {
    for (CgifSprite *s : {bar, edge, outline}) gifDeleteSprite(s);
    bar = edge = outline = nullptr;
    CgifUIObjBase::term();
}

void CgifUIBar::setBarSize(float w, float h) {
    barW = w > 0 ? w : 0;
    barH = h;
    place();
}

void CgifUIBar::setBarPos(float x, float y) {
    barX = x;
    barY = y;
    place();
}

void CgifUIBar::place() {
    if (!sprite || !bar) return;
    // Positions are relative to the trough's centre.
    const float ox = barX - sprite->width / 2, oy = barY - sprite->height / 2;
    bar->setSize(barW, barH);
    bar->setPos(ox + barW / 2, oy + barH / 2);
    bar->setDraw(barW > 0);
    edge->setSize(edge->width, barH);
    edge->setPos(ox + barW - edge->width / 2, oy + barH / 2);
    edge->setDraw(barW >= edge->width);
}

void CgifUIBar::draw() {
    if (!sprite || !sprite->getDraw()) return;
    sprite->draw();
    for (CgifSprite *s : {bar, edge, outline})
        if (s->getDraw()) s->draw();
}
