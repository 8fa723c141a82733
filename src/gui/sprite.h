// sprite: textured rectangles placed on a screen, and the manager of a
// screen's sprites.
//
// A sprite is a picture (or, without one, a plain rectangle in its colour)
// centred on its position, which is relative to its parent's centre when it
// has a parent; colour and visibility follow the parent as well. The texture
// is drawn one texel per pixel: a sprite smaller than its picture shows the
// picture's lower left part, a larger one shows the picture and nothing
// beyond. Pictures are stored bottom row first and drawn upright. Main
// thread, with the window's GL context current for drawing.
#pragma once

#include <cstdint>

#include "gui/gifalloc.h"
#include "gui/glstate.h"

class CgifTexObj;
class CgifSpriteMng;

// One sprite; a slot of a sprite manager.
class CgifSprite {
public:
    // Sets every member to its initial value (an empty slot). Never fails.
    void reset();
    // Shows `texture` (may be null): in use and drawn, sized to the picture.
    void init(CgifTexObj *texture);

    // Position: the centre relative to the parent / the absolute centre.
    void setPos(float x, float y);
    void getPos(float *x, float *y) const;
    // Places the sprite so that its top-left corner is at window point (x, y).
    void setWorldLeftTopPos(float x, float y);
    // Stores the absolute top-left corner.
    void getLeftTop(float *x, float *y) const;
    // Adds to the drawing offset.
    void setMove(float dx, float dy);
    void setSize(float w, float h);
    void getSize(float *w, float *h) const;
    // Stores the picture's size; the sprite's size without a picture.
    void getOriginalSize(float *w, float *h) const;
    void setTexObj(CgifTexObj *texture) { this->texture = texture; }
    void setParent(CgifSprite *p) { parent = p; }
    void setColor(float r, float g, float b, float a) { color = sGifColor{r, g, b, a}; }
    void setColor(sGifColor c) { color = c; }
    // Returns the colour to draw with: the own one, times the parent's when
    // inheriting.
    sGifColor getColor() const;
    void setDraw(int on) { drawFlag = on ? 1 : 0; }
    // Returns 1 when this sprite and every ancestor are drawn, else 0.
    int getDraw() const;

    // Returns 1 when the sprite is in use and (x, y) lies strictly inside its
    // rectangle (the size times the extent scale, enlarged by dx and dy), else 0.
    int isHit(float x, float y) const { return isHitExtend(x, y, 0.0f, 0.0f); }
    int isHitExtend(float x, float y, float dx, float dy) const;
    // Returns 1 when the sprite is in use and lies wholly inside the margins
    // 30 (left), 75 (top), w - 20 (right) and h (bottom).
    int isOnScreen(int w, int h) const;

    // Draws the picture (nothing without a loaded one).
    void draw() const;
    // Fills the rectangle in the sprite's colour, untextured.
    void drawPolygon() const;
    // Outlines the rectangle.
    void drawFrameLine(float width, sGifColor c) const;

    int inUse;                 // 1 while the slot is occupied
    int drawFlag;              // 1 to draw
    CgifTexObj *texture;       // the picture, or null
    CgifSprite *parent;        // position, colour and visibility are relative to it
    float x, y;                // centre, relative to the parent
    float width, height;       // size in pixels
    float angle;               // rotation in degrees about the screen normal
    float offsetX, offsetY;    // added to the position when drawing
    float scaleX, scaleY;      // draw scale
    sGifColor color;           // multiplies the picture
    int inheritColor;          // 1: the colour is multiplied by the parent's
    int quartered;             // 1: corners keep their size, the middle stretches
    int flipped;               // 1: drawn upside down
    float extentX, extentY;    // scale the size for hit tests and the quartered drawing
    CgifSpriteMng *owner;      // the manager holding the slot, or null
};

// A screen's sprites: a fixed number of slots.
class CgifSpriteMng : public CgifTracked {
public:
    CgifSpriteMng() = default;
    CgifSpriteMng(const CgifSpriteMng &) = delete;
    CgifSpriteMng &operator=(const CgifSpriteMng &) = delete;
    ~CgifSpriteMng() { term(); }

    // Makes `capacity` empty slots. Returns 0; -1 when memory runs out. A zero
    // capacity or a second call changes nothing (and returns 0).
    int init(int capacity);
    // Frees the slots. Never fails.
    void term();
    // Occupies `slot`, or the lowest free slot for -1, with a fresh sprite
    // showing `texture` (may be null). Returns the slot; -1 out of range or
    // when every slot is taken (nothing changes then).
    int setSprite(CgifTexObj *texture, int slot);
    // As setSprite(texture, -1), returning the sprite; null when full.
    CgifSprite *newSprite(CgifTexObj *texture);
    // Returns slot `slot`'s sprite, null out of range.
    CgifSprite *getSprite(int slot);
    // Empties an occupied slot. Out of range or empty is ignored.
    void deleteSprite(int slot);
    void deleteSprite(CgifSprite *sprite);
    // Sets every slot's draw flag. Draws, in slot order, every sprite that is
    // drawn with all its parents.
    void setAllDraw();
    void draw() const;
    int getCapacity() const { return capacity_; }
    int getCount() const { return count_; }

private:
    CgifSprite *sprites_ = nullptr;  // capacity_ slots ("gifSpr")
    int capacity_ = 0;
    int count_ = 0;                  // slots in use
};
