// The secondary windows' panel frame. See dlgui.h.
#include "gui/bmfdraw.h"
#include "gui/current.h"
#include "gui/sjis.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "resource/pictures.h"
#include "windows/dialog/dlgui.h"

void dlgDrawPicture(int id, float x, float y, sGifColor c) {
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

void dlgDrawText(const char *text, float x, float top, float h, sGifColor c) {
    bmfDrawString(12, text, x, bmfCenteredBaseline(12, top + h / 2), c);
}

int CgifFrDialog::init(int pic) {
    const sPicture *p = pictureGet(pic);
    if (!p) return -1;
    picture = pic;
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    return setBackground(-1, 0, 0, p->width, p->height);
}

void CgifFrDialog::drawPrivate() {
    const sPicture *p = pictureGet(picture);
    if (p) gifDrawRect(0, 0, p->width, p->height, kDlgPanel);
    dlgDrawPicture(picture, 0, 0);
    for (int i = 0; i < captionCount; i++) dlgDrawText(captions[i].text, captions[i].x, captions[i].y, 20, kDlgText);
    drawObjects();
}

int CgifFrDialog::addCaption(const char *text, float x, float y) {
    if (captionCount >= kDlgCaptionMax) return -1;
    sDlgCaption &c = captions[captionCount];
    gifStrCopy(c.text, sizeof c.text, text);
    c.x = x;
    c.y = y;
    setDirty();
    return captionCount++;
}
