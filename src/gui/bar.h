// bar: a trough with a part that moves or grows in it (the progress bar).
//
// The moving part is drawn one texel per pixel from its picture, so a part
// narrower than its picture shows the picture's left end; a leading edge
// marks where it ends, and an outline is drawn over all. No value.
#pragma once

#include "gui/objbase.h"

class CgifUIBar : public CgifUIObjBase {
public:
    ~CgifUIBar() override;

    // Trough 55, moving part 54, edge 56, outline 57; 200 x 28.
    int init() override;
    void term() override;
    void draw() override;
    // The moving part's size; a width of 0 hides it.
    void setBarSize(float w, float h);
    // The moving part's top-left corner, relative to the trough's.
    void setBarPos(float x, float y);

    CgifSprite *bar = nullptr, *edge = nullptr, *outline = nullptr;  // children of the trough
    float barX = 0, barY = 0, barW = 0, barH = 28;

private:
    void place();
};
