// uisystem: the input snapshot every frame and widget reads.
//
// A screen keeps one sgifUISystem up to date from its window's events and
// hands a copy to every frame's and widget's calc. Widgets that must change
// it (a text widget opening its editor) reach the screen's own through their
// frame. Pointer coordinates are the window's client coordinates, or world
// coordinates on an axis the screen has converted (CgifUI::changeMousePos).
#pragma once

#include <cstdint>

struct sgifUISystem {
    float mouseX, mouseY;          // pointer
    float prevMouseX, prevMouseY;  // the pointer before the last move
    float pressX, pressY;          // where the left or middle button last went down
    int32_t leftHeld;              // 1 from a left press to its release, and while a file drag is over the window
    int32_t middleHeld;            // 1 from a middle press to its release
    int32_t controlHeld;           // Ctrl (or the Super key) held: adds to a selection
    int32_t shiftHeld;             // Shift held: extends a selection
    int32_t frameWidth, frameHeight;  // the window's client size
    int32_t scrollX, scrollY;      // scroll offset of the frames that scroll
    uint32_t mouseBut;             // the window's BUT_* bits (platform/ghost.h)
    uint32_t keyQual;              // the window's QUAL_* bits
    int32_t textEditing;           // 1 while a text widget's editor is open
    int32_t dragEntered;           // 1 from a file drag's entry until it leaves or drops
    int32_t endEdit;               // 1: an open text editor closes at the next calc
    const char *inputText;         // the current event's text (UTF-8; an input-method commit), or null
};
