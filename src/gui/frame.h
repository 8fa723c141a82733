// frame: a rectangular region of a screen with its own viewport and widgets.
//
// A frame's rectangle is its background sprite's. It draws into a viewport
// clipped to the window (and, unless fixed vertically, to below the screen's
// 112-row header), clearing it first, translated by the screen's scroll
// offset on the axes it scrolls; it owns its widgets. Screens derive their
// frames from it; the defaults of calcPrivate and drawPrivate hand events to
// the widgets and draw them. Main thread only.
#pragma once

#include <cstdint>

#include "gui/gifalloc.h"
#include "gui/uisystem.h"

class CgifSprite;
class CgifUIObjBase;

// Frame flag bits.
enum : uint32_t {
    FRAME_DIRTY = 1u << 0,          // draw at the next draw
    FRAME_HIDDEN = 1u << 1,         // no calc, no draw
    FRAME_NO_CLEAR = 1u << 3,       // do not clear the viewport before drawing
    FRAME_FIXED_Y = 1u << 4,        // does not scroll vertically, ignores the header limit
    FRAME_FIXED_X = 1u << 5,        // does not scroll horizontally
    FRAME_STAY_DIRTY = 1u << 6,     // stays dirty after drawing
    FRAME_NO_BACKGROUND = 1u << 7,  // do not draw the background sprite
    FRAME_INPUT_OUTSIDE = 1u << 8,  // take input with the pointer outside the frame
    FRAME_NO_INPUT = 1u << 9,       // take no input
};

// Rows at the top of a screen that belong to its fixed header.
constexpr float kGifHeaderLimit = 112.0f;

class CgifFrame : public CgifTracked {
public:
    CgifFrame() = default;
    CgifFrame(const CgifFrame &) = delete;
    CgifFrame &operator=(const CgifFrame &) = delete;
    // Destroys the widgets (term).
    virtual ~CgifFrame();

    // Builds the frame's content (the base: nothing). Returns 0, -1 on failure.
    virtual int init() { return 0; }
    // Destroys every widget and the background sprite, then resets. Never fails.
    virtual void term();
    // Brings the content in line with the program's state (the base: nothing).
    virtual void update() {}
    // Clears flags, viewport and counters; the index goes back to -1.
    virtual void reset();
    // Computes the viewport from the background sprite (see the header comment).
    virtual void calcViewPort(const sgifUISystem &system);
    // The frame's own input (the base: calcObjects); 1 when it changed.
    virtual int calcPrivate(int code, int value, int key, sgifUISystem system);
    // The frame's own drawing after the background (the base: drawObjects).
    virtual void drawPrivate();
    // Scrolls the content by `amount` (the base: nothing).
    virtual void changeShift(int amount) { (void)amount; }

    // Returns 0 for a hidden frame, one taking no input, and (unless it takes
    // input outside) with the pointer outside its background; else
    // calcPrivate's result, marking the frame dirty when that is 1.
    int calc(int code, int value, int key, sgifUISystem system);
    // Draws a dirty, shown frame: viewport (skipped while it is empty, the
    // frame staying dirty), clear, scroll translation, background, drawPrivate.
    // Returns whether it drew.
    bool draw();

    // Takes the background sprite showing texture slot `picture` (-1: a plain
    // area) with its top-left corner at (left, top); a width or height of 0
    // keeps the picture's. Returns 0, -1 when no sprite is left.
    int setBackground(int picture, float left, float top, float width = 0, float height = 0);
    // Adds a widget the frame then owns; it reports to this frame. Returns its
    // index, -1 for null or when memory runs out (the widget is not taken).
    int addObject(CgifUIObjBase *widget);
    // Widget i, null past the count. The first widget of type `t`, or null.
    CgifUIObjBase *getObject(int i) const;
    CgifUIObjBase *getObjectForType(int t) const;
    int getObjectNum() const { return objectCount; }
    // Offers the event to every widget the object manager does not hold
    // (those had their turn). Returns 1 when any reacted.
    int calcObjects(int code, int value, int key, const sgifUISystem &system);
    // Draws every widget in order.
    void drawObjects();
    // Stores the background's rectangle (left, top, width, height), unscrolled and unclipped.
    void getViewPort2(float viewport[4]) const;
    // Makes this frame's background a child of `parent`'s.
    void setParentFrame(CgifFrame *parent);
    void setDirty() { flags |= FRAME_DIRTY; }

    CgifSprite *background = nullptr;  // the frame's area
    uint32_t flags = 0;                // FRAME_* bits
    int index = -1;                    // position in the screen's frames
    sgifUISystem *system = nullptr;    // the owning screen's snapshot
    float viewport[4] = {};            // left, top, width, height in window pixels
    CgifUIObjBase **objects = nullptr; // owned widgets ("gifObjs")
    int objectCount = 0;
    int objectCap = 0;
    CgifFrame *parentFrame = nullptr;
};
