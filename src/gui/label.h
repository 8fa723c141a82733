// label: a line of text over an optional picture.
//
// A label shows at most 63 bytes of text (Shift-JIS), left, right or centred,
// vertically centred on its sprite. It takes no value; a press and a
// release over it (with the right button for OBJ_SECOND_BUTTON) is a click
// that sets its done bit and posts its message, so a frame can make rows
// and pads of labels.
#pragma once

#include "gui/font.h"
#include "gui/objbase.h"

class CgifUILabel : public CgifUIObjBase {
public:
    // A plain area of 120 x 20 without picture.
    int init() override;
    int init(int picture) override;
    int init(const int *pictures, int count) override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;

    // Sets the text, cut to 63 bytes at a character boundary.
    void setMessageData(const char *text);
    const char *getMessageData() const { return text; }
    void setFontSize(int size) { font.setSize(size); }
    void setTextColor(sGifColor c) { font.setColor(c); }
    void setAlign(int a) { font.setAlign(a); }
    // Distance of the text from the left or right edge.
    void setTextOffset(float x) { textOffset = x; }
    // 1: draw the sprite as a plain rectangle in its colour (without a picture).
    void setPlain(int on) { plain = on; }

    char text[64] = {};
    CgifFont font;
    float textOffset = 4;
    int plain = 0;
    int pressed = 0;
};

// A picture behind a screen or frame; takes no input.
class CgifUIBg : public CgifUIObjBase {
public:
    CgifUIBg() { flags |= OBJ_NO_INPUT; }
};
