// spin: a number field with step controls, limited to a minimum and maximum.
//
// The number can be typed into the inner edit field (which sees every event
// first) or stepped with the up and down controls, one per release over the
// control that was pressed. Either way the value ends clamped, is written to
// the value data, and the message is posted (fire only when it changed).
#pragma once

#include "gui/objbase.h"

class CgifUIEdit;
class CgifTexObj;

// Layouts (setType).
enum : int {
    SPIN_STEPS_RIGHT = 0,  // the field, the steps stacked at its right (up above down)
    SPIN_STEPS_SIDES = 1,  // down at the left, the field, up at the right
};

class CgifUISpin : public CgifUIObjBase {
public:
    ~CgifUISpin() override;

    // The pack's step pictures (31 to 34).
    int init() override;
    // Pictures: up released, up pressed, down released, down pressed.
    int init(const int *pictures, int count) override;
    void term() override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;
    // Takes the value from the value data and shows it.
    void update() override;
    void setType(int t) override;
    int getValue() const override { return value; }
    // Sets the value, clamped, and shows it.
    void setValue(int v) override;
    // The whole widget's size; the parts are laid out inside it.
    void setSize(float w, float h) override;
    // Limits of the value (the typed number is clamped to them).
    void setMinMax(int lo, int hi);

    CgifUIEdit *edit = nullptr;  // the inner field (its sprite a child of the spin's)
    CgifSprite *up = nullptr, *down = nullptr;
    CgifTexObj *pictures[4] = {};
    int value = 0;
    int minValue = 0, maxValue = 99;
    int pressedPart = 0;  // 0 none, 1 up, 2 down
    int hover = 0;

private:
    void layout();
    void showPictures();
    int partAt(float x, float y) const;
    void finish(int newValue);
};
