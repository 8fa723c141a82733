// The current managers. See current.h.
#include "gui/current.h"

#include "gui/sprite.h"
#include "gui/texture.h"

namespace {

struct sGifCurrent {
    CgifTexMng *textures;
    CgifSpriteMng *sprites;
    CgifObjectMng *objects;
};
sGifCurrent gCurrent{};

}  // namespace

void gifSetCurrent(CgifTexMng *textures, CgifSpriteMng *sprites, CgifObjectMng *objects) {
    gCurrent = sGifCurrent{textures, sprites, objects};
}

CgifTexMng *gifCurrentTextures(void) { return gCurrent.textures; }
CgifSpriteMng *gifCurrentSprites(void) { return gCurrent.sprites; }
CgifObjectMng *gifCurrentObjects(void) { return gCurrent.objects; }

CgifSprite *gifNewSprite(int picture) {
    if (!gCurrent.sprites) return nullptr;
    CgifTexObj *t = picture >= 0 && gCurrent.textures ? gCurrent.textures->getTexObject(picture) : nullptr;
    return gCurrent.sprites->newSprite(t);
}

void gifDeleteSprite(CgifSprite *sprite) {
    if (sprite && sprite->owner) sprite->owner->deleteSprite(sprite);
}
