// Sliders. See slider.h.
#include "gui/slider.h"

#include <cmath>

#include "gui/current.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "platform/ghost.h"
#include "resource/pictures.h"

CgifUISlider::~CgifUISlider() { CgifUISlider::term(); }

int CgifUISlider::init() {
    const int ids[3] = {eFILE_SLIDER_TRACK, eFILE_SLIDER_KNOB, eFILE_SLIDER_FILL};
    return init(ids, 3);
}

int CgifUISlider::init(const int *ids, int count) {
    term();
    if (!ids || count < 2) return -1;
    sprite = takeSprite(ids[0], "CgifUISlider");
    knob = takeSprite(ids[1], "CgifUISlider");
    if (count > 2) fill = takeSprite(ids[2], "CgifUISlider");
    if (!sprite || !knob || (count > 2 && !fill)) {
        term();
        return -1;
    }
    knob->setParent(sprite);
    if (fill) fill->setParent(sprite);
    place();
    return 0;
}

void CgifUISlider::term() {
    gifDeleteSprite(knob);
    gifDeleteSprite(fill);
    knob = fill = nullptr;
    CgifUIObjBase::term();
}

void CgifUISlider::setType(int t) {
    type = t;
    place();
}

void CgifUISlider::setSize(float w, float h) {
    CgifUIObjBase::setSize(w, h);
    place();
}

void CgifUISlider::setMinMax(int lo, int hi) {
    minValue = lo;
    maxValue = hi > lo ? hi : lo;
    setValue(value);
}

int CgifUISlider::checkLimit(int v) const { return v < minValue ? minValue : v > maxValue ? maxValue : v; }

void CgifUISlider::setValue(int v) {
    value = checkLimit(v);
    place();
}

void CgifUISlider::update() {
    if (valueData) setValue(*valueData);
}

void CgifUISlider::setValueRatio(float r) {
    setValue(minValue + int(std::lround(double(r) * (maxValue - minValue))));
}

float CgifUISlider::getValueRatio() const {
    return maxValue > minValue ? float(value - minValue) / float(maxValue - minValue) : 0.0f;
}

void CgifUISlider::setKnobLength(float length) {
    if (!knob) return;
    float w, h;
    knob->getOriginalSize(&w, &h);
    knob->quartered = length > 0 ? 1 : 0;
    if (type == SLIDER_HORIZONTAL) knob->setSize(length > 0 ? length : w, h);
    else knob->setSize(w, length > 0 ? length : h);
    place();
}

float CgifUISlider::trackLength() const {
    return sprite ? (type == SLIDER_HORIZONTAL ? sprite->width : sprite->height) : 0.0f;
}

float CgifUISlider::knobLength() const {
    return knob ? (type == SLIDER_HORIZONTAL ? knob->width : knob->height) : 0.0f;
}

float CgifUISlider::change2Trans(int v) const {
    float travel = trackLength() - knobLength();
    if (maxValue <= minValue || travel <= 0) return 0.0f;
    return float(v - minValue) / float(maxValue - minValue) * travel;
}

int CgifUISlider::change2Value(float t) const {
    float travel = trackLength() - knobLength();
    if (travel <= 0) return minValue;
    return minValue + int(std::lround(double(t) / travel * (maxValue - minValue)));
}

// Distance of window point (x, y) from the minimum's end of the track.
float CgifUISlider::along(float x, float y) const {
    float l, t;
    sprite->getLeftTop(&l, &t);
    if (type == SLIDER_HORIZONTAL) return x - l;
    if (type == SLIDER_VERTICAL_UP) return t + sprite->height - y;
    return y - t;
}

void CgifUISlider::place() {
    if (!sprite || !knob) return;
    const float len = trackLength(), k = knobLength(), c = change2Trans() + k / 2;  // knob centre from the minimum's end
    if (type == SLIDER_HORIZONTAL) knob->setPos(c - len / 2, 0);
    else if (type == SLIDER_VERTICAL_UP) knob->setPos(0, len / 2 - c);
    else knob->setPos(0, c - len / 2);
    if (!fill) return;
    float w, h;
    fill->getOriginalSize(&w, &h);
    if (type == SLIDER_HORIZONTAL) {
        fill->setSize(c, h);
        fill->setPos(c / 2 - len / 2, 0);
    } else {
        fill->setSize(w, c);
        fill->setPos(0, type == SLIDER_VERTICAL_UP ? len / 2 - c / 2 : c / 2 - len / 2);
    }
}

void CgifUISlider::moveTo(float x, float y) {
    int v = checkLimit(change2Value(along(x, y) - grab - knobLength() / 2));
    if (v == value) return;
    value = v;
    if (valueData) *valueData = value;
    place();
    flags |= OBJ_CHANGED;
    onDrag();
}

int CgifUISlider::calc(int code, int v, int, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !sprite || !knob) return 0;
    if (isPress(code, v) && !pressed && isHit(s.mouseX, s.mouseY)) {
        pressed = 1;
        startValue = value;
        float centre = change2Trans() + knobLength() / 2;
        grab = knob->isHit(s.mouseX, s.mouseY) ? along(s.mouseX, s.mouseY) - centre : 0.0f;
        moveTo(s.mouseX, s.mouseY);
        flags |= OBJ_CHANGED;
        hold();
        return 1;
    }
    if (!pressed) return 0;
    if (isRelease(code, v)) {
        pressed = 0;
        finishAction(value != startValue, value);
        return 1;
    }
    if ((code == WEV_MOUSE_X || code == WEV_MOUSE_Y) && buttonHeld(s)) {
        int before = value;
        moveTo(s.mouseX, s.mouseY);
        return value != before ? 1 : 0;
    }
    return 0;
}

void CgifUISlider::draw() {
    if (!sprite || !sprite->getDraw()) return;
    sprite->draw();
    if (fill && fill->getDraw()) fill->draw();
    if (knob->getDraw()) knob->draw();
}

// --- Slider 2 ----------------------------------------------------------------------

int CgifUISlider2::init() {
    const int ids[2] = {eFILE_SLIDER_TRACK, eFILE_SLIDER_KNOB};
    return CgifUISlider::init(ids, 2);
}

void CgifUISlider2::setLimit(int lo, int hi) {
    limitLo = lo;
    limitHi = hi;
    setValue(value);
}

int CgifUISlider2::checkLimit(int v) const {
    v = CgifUISlider::checkLimit(v);
    return v < limitLo ? limitLo : v > limitHi ? limitHi : v;
}

void CgifUISlider2::onDrag() {
    fire = 1;
    sendQueue(value);
}
