// text: a one-line name, edited in place.
//
// A press on the widget opens a text editor (textedit.h) over it with the
// whole text selected; from then on the widget is held by the object manager
// and takes every event, keys and committed input-method text included.
// Editing ends with Return, a press outside, or the screen's end-edit flag;
// the widget then takes the editor's text (with TEXT_RETURN_ONLY only when
// Return ended it), sets its changed and done bits and is let go, and the
// screen's deleteFrameObject reads the new text. The text is Shift-JIS.
#pragma once

#include "gui/font.h"
#include "gui/objbase.h"

struct _sgifTextEdit;

// Flag bits of the text widget.
enum : uint32_t {
    TEXT_FRAME_LINE = 1u << 16,   // a grey frame line around it; a light outline while editing
    TEXT_TALL_HIT = 1u << 18,     // the hit area 20 pixels taller
    TEXT_RETURN_ONLY = 1u << 19,  // keep the edited text only when Return ended the editing
    TEXT_TEXTURED = 1u << 20,     // the sprite shows its picture (else a plain rectangle in its colour)
};

class CgifUIText : public CgifUIObjBase {
public:
    CgifUIText() { group = 11; }
    ~CgifUIText() override;

    // A white plain area of 100 x 14, capacity 12, the 12-pixel font.
    int init() override;
    // The same over texture slot `picture` (textured, its size).
    int init(int picture) override;
    int init(const int *pictures, int count) override;
    // Closes an open editor without taking its text, gives the sprite back.
    void term() override;
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;
    int isHit(float x, float y) const override;

    // Sets the shown text, cut to 63 bytes at a character boundary.
    void setMessageData(const char *text);
    const char *getMessageData() const { return text; }
    // The longest text the editor allows, 1 to 63 bytes (the name field's size).
    void setCapacity(int bytes) { capacity = bytes < 1 ? 1 : bytes > 63 ? 63 : bytes; }
    void setDigitsOnly(int on) { digitsOnly = on ? 1 : 0; }
    void setFontSize(int size) { font.setSize(size); }
    void setTextColor(sGifColor c) { font.setColor(c); }
    // Opens the editor over the widget (nothing when open already or out of
    // memory); with `selectAll` the whole text starts selected. Sets the
    // screen's text-editing flag and hands the widget to the object manager.
    void changeEditMode(int selectAll);

    int editing = 0;
    char text[64] = {};
    CgifFont font;
    int capacity = 63;
    int digitsOnly = 0;
    _sgifTextEdit *editor = nullptr;

private:
    void endEditing(bool keep);
};
