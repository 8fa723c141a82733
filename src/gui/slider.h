// slider: a knob moved along a track, and CgifUISlider2, the slider that
// reports while it is dragged.
//
// The value runs from a minimum to a maximum over the knob's travel (the
// track's length less the knob's). A press on the knob grabs it; a press on
// the track moves the knob's centre to the pointer first. The knob follows
// the pointer while the button is held; at the release a changed value is
// written to the value data and posted. A scroll bar's knob can be given a
// length of its own; it then stretches by its middle.
#pragma once

#include "gui/objbase.h"

// Orientations (setType).
enum : int {
    SLIDER_VERTICAL = 0,     // the minimum at the top
    SLIDER_HORIZONTAL = 1,   // the minimum at the left
    SLIDER_VERTICAL_UP = 2,  // the minimum at the bottom
};

class CgifUISlider : public CgifUIObjBase {
public:
    ~CgifUISlider() override;

    // The vertical slider: track 99, knob 0, filled part 100.
    int init() override;
    // Pictures: track, knob, and optionally the filled part.
    int init(const int *pictures, int count) override;
    void term() override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;
    // Takes the value from the value data and places the knob.
    void update() override;
    void setType(int t) override;
    int getValue() const override { return value; }
    // Sets the value, clamped, and places the knob.
    void setValue(int v) override;
    void setSize(float w, float h) override;
    void setMinMax(int lo, int hi);
    // The value as a share of its range, 0 to 1.
    void setValueRatio(float r);
    float getValueRatio() const;
    // The knob's length along the track (0: its picture's).
    void setKnobLength(float length);
    // The knob's travel for the value (pixels from the minimum's end), and
    // the value for a travel.
    float change2Trans() const { return change2Trans(value); }
    float change2Trans(int v) const;
    int change2Value(float travel) const;

    CgifSprite *knob = nullptr;  // child of the track sprite
    CgifSprite *fill = nullptr;  // from the minimum's end to the knob, or null
    int minValue = 0, maxValue = 100;
    int value = 0;
    int pressed = 0;
    float grab = 0;              // pointer's distance from the knob's centre at the press
    int startValue = 0;          // the value at the press

protected:
    // Called when dragging changed the value (the base: nothing).
    virtual void onDrag() {}
    // The value after limits of the subclass (the base: clamped to the range).
    virtual int checkLimit(int v) const;

private:
    float trackLength() const;
    float knobLength() const;
    float along(float x, float y) const;
    void place();
    void moveTo(float x, float y);
};

// The slider that posts while it is dragged as well, within limits that may
// be narrower than its range.
class CgifUISlider2 : public CgifUISlider {
public:
    // Knob 0 on track 99, no filled part.
    int init() override;
    int init(const int *pictures, int count) override { return CgifUISlider::init(pictures, count); }
    // Limits the value to lo..hi within the range.
    void setLimit(int lo, int hi);

    int limitLo = INT32_MIN, limitHi = INT32_MAX;

protected:
    void onDrag() override;
    int checkLimit(int v) const override;
};
