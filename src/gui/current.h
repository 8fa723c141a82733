// current: the managers of the screen at work.
//
// Each screen owns a texture, a sprite and an object manager; before it
// builds, calcs or draws it makes them the current ones, so that the widget
// and sprite code, which reads them here, always works on that screen's
// textures and sprites. Main thread only.
#pragma once

class CgifTexMng;
class CgifSpriteMng;
class CgifObjectMng;
class CgifSprite;

// Makes the three managers current (any may be null). Never fails.
void gifSetCurrent(CgifTexMng *textures, CgifSpriteMng *sprites, CgifObjectMng *objects);
// Return the current managers; null when none is set.
CgifTexMng *gifCurrentTextures(void);
CgifSpriteMng *gifCurrentSprites(void);
CgifObjectMng *gifCurrentObjects(void);
// Takes a sprite of the current sprite manager showing texture slot
// `picture` of the current texture manager (-1: no picture, a plain
// rectangle). Returns null without managers or when the sprites are used up.
CgifSprite *gifNewSprite(int picture);
// Gives a sprite back to its manager. Null is ignored.
void gifDeleteSprite(CgifSprite *sprite);
