// button: a push button of two or three states.
//
// Each release over the button steps its value (0, 1[, 2], back to 0),
// writes it to the value data and posts the message; a release outside
// cancels. Its pictures come in pairs, released then pressed, one pair per
// state; the pressed picture shows while the pointer is over the pressed
// button. A caption button draws its text over the picture.
#pragma once

#include "gui/font.h"
#include "gui/objbase.h"

class CgifTexObj;

// Button types (setType).
enum : int {
    BUTTON_TOGGLE = 0,       // two states
    BUTTON_THREE_STATE = 1,  // three states
    BUTTON_CAPTION = 2,      // two states and a caption
};

class CgifUIButton : public CgifUIObjBase {
public:
    ~CgifUIButton() override = default;

    // The plain caption button (pictures 96 and 97).
    int init() override;
    // One fixed picture.
    int init(int picture) override;
    // Pairs of pictures, released then pressed, one pair per state (at most 6).
    int init(const int *pictures, int count) override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;
    // Takes the value from the value data, then shows the picture of the
    // value and the pressed state.
    void update() override;
    void setType(int t) override;
    int getValue() const override { return value; }
    // Sets the value (0 to states - 1; others are ignored) and its picture.
    void setValue(int v) override;
    // Shows the released picture of state `i`.
    void setColorIndex(int i);
    // Sets the caption (cut at 63 bytes, at a character boundary).
    void setButtonStr(const char *text);
    const char *getButtonStr() const { return caption; }

    int pressed = 0;     // 1 between a press on the button and the release
    int value = 0;       // the state
    int stateCount = 2;  // 2 or 3
    char caption[64] = {};
    int hasCaption = 0;
    int imageCount = 0;  // pictures of init(pictures, count); 0 for a fixed picture
    CgifTexObj *pictures[6] = {};
    int hover = 0;       // 1 while the pointer is over the pressed button
    CgifFont captionFont;

private:
    void showPicture();
};
