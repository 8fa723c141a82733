// The rotary knob. See volume.h.
#include "gui/volume.h"

#include <cmath>

#include "gui/sprite.h"
#include "resource/pictures.h"

namespace {

constexpr float kDeadTurn = 2.0f;

float wrap360(float a) {
    a = std::fmod(a, 360.0f);
    return a < 0 ? a + 360.0f : a;
}

}  // namespace

int CgifUIVolume::init() { return CgifUIObjBase::init(eFILE_KNOB); }

void CgifUIVolume::setMinMax(int lo, int hi) {
    minValue = lo;
    maxValue = hi > lo ? hi : lo;
    setValue(value);
}

void CgifUIVolume::setRoundRange(float start, float range) {
    roundStart = wrap360(start);
    roundRange = range > 0 && range <= 360 ? range : 360.0f;
    setValue(value);
}

float CgifUIVolume::change2Angle(int v) const {
    float share = maxValue > minValue ? float(v - minValue) / float(maxValue - minValue) : 0.0f;
    return wrap360(roundStart + share * roundRange);
}

int CgifUIVolume::change2Value(float angle) const {
    float r = wrap360(angle - roundStart);
    if (r > roundRange) r = (r - roundRange < 360.0f - r) ? roundRange : 0.0f;
    return minValue + int(std::lround(double(r) / roundRange * (maxValue - minValue)));
}

void CgifUIVolume::setValue(int v) {
    value = v < minValue ? minValue : v > maxValue ? maxValue : v;
    if (sprite) sprite->angle = change2Angle(value);
}

void CgifUIVolume::update() {
    if (valueData) setValue(*valueData);
}

int CgifUIVolume::calc(int code, int v, int, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !sprite) return 0;
    float cx, cy;
    sprite->getPos(&cx, &cy);
    // y grows downward, so this angle grows clockwise from straight up.
    float angle = wrap360(float(std::atan2(s.mouseX - cx, cy - s.mouseY) * 180.0 / M_PI));
    if (isPress(code, v) && !pressed && isHit(s.mouseX, s.mouseY)) {
        pressed = 1;
        startValue = value;
        lastAngle = angle;
        hold();
        flags |= OBJ_CHANGED;
        return 1;
    }
    if (!pressed) return 0;
    if (isRelease(code, v)) {
        pressed = 0;
        finishAction(value != startValue, value);
        return 1;
    }
    float turn = std::fabs(angle - lastAngle);
    if (buttonHeld(s) && std::fmin(turn, 360.0f - turn) >= kDeadTurn) {
        lastAngle = angle;
        int before = value;
        setValue(change2Value(angle));
        if (value == before) return 0;
        if (valueData) *valueData = value;
        flags |= OBJ_CHANGED;
        return 1;
    }
    return 0;
}
