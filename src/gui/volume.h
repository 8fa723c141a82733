// volume: a rotary knob.
//
// The value follows the angle of the pointer around the knob's centre while
// the knob is pressed: the angles from the start of the round range over its
// width map onto the values (0 degrees points up, angles grow clockwise);
// beyond the range the nearer end holds. A turn of less than 2 degrees is
// ignored, so the knob does not jitter. At the release a changed value is
// written to the value data and posted. The picture turns with the value.
#pragma once

#include "gui/objbase.h"

class CgifUIVolume : public CgifUIObjBase {
public:
    // Picture 67.
    int init() override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    // Takes the value from the value data and turns the picture.
    void update() override;
    int getValue() const override { return value; }
    // Sets the value, clamped, and turns the picture.
    void setValue(int v) override;
    void setMinMax(int lo, int hi);
    // The angles that map onto the values: from `start` over `range` degrees.
    void setRoundRange(float start, float range);
    // The angle of a value, and the value of an angle.
    float change2Angle(int v) const;
    int change2Value(float angle) const;

    int minValue = 0, maxValue = 100;
    int value = 0;
    float roundStart = 225.0f, roundRange = 270.0f;
    int pressed = 0;
    float lastAngle = 0;  // the pointer's angle last acted on
    int startValue = 0;
};
