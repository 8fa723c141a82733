// edit: the short edit field, a number (or a few letters) typed in place.
//
// A press inside starts editing with the cursor at the end; typing writes
// at the cursor (over the character there, or at the end) while the text is
// shorter than the key limit; Return, keypad Enter or a press outside end
// it. A numeric field then holds its number clamped to the minimum and
// maximum. While editing, the field is held by the object manager and takes
// every key. A field shows its text with the bitmap font of its size, or,
// built with init2, with a cell font.
#pragma once

#include "gui/font.h"
#include "gui/objbase.h"

// Text modes.
enum : int {
    EDIT_NUMERIC = 0,
    EDIT_TEXT = 1,
};

// Bytes of an edit field's text, terminating zero included.
constexpr int kGifEditTextMax = 64;

class CgifUIEdit : public CgifUIObjBase {
public:
    CgifUIEdit() { group = 6; }

    // Picture 65, 34 x 20; the bitmap font of size 7 (the 8-pixel one),
    // centred, black.
    int init() override;
    // The cell-font field: picture 64, 50 x 25, a cell font of `cellType`
    // (egifFontTexType) at size 15, centred, black.
    int init2(int cellType);
    int calc(int code, int value, int key, sgifUISystem system) override;
    void draw() override;
    // The text read as a decimal number (an optional sign, then digits); 0
    // for a text without digits.
    int getValue() const override;
    // The text becomes "%d" of `v` (shown as setMessageData shows it).
    void setValue(int v) override;

    // Sets the text, cut to 63 bytes at a character boundary. A numeric
    // field with a negative minimum or the signed display shows a number
    // above 0 with a "+" (not while editing).
    void setMessageData(const char *text);
    const char *getMessageData() const { return text; }
    void setMinMax(int lo, int hi) {
        minValue = lo;
        maxValue = hi;
    }
    void setKeyLimit(int n) { keyLimit = n < 0 ? 0 : (n > kGifEditTextMax - 1 ? kGifEditTextMax - 1 : n); }
    void setTextMode(int m) { textMode = m; }
    void setEditable(int on) { editable = on; }
    void setSignedDisplay(int on) { signedDisplay = on; }
    void setBackground(int on) { background = on; }
    // Shows texture slot `picture` behind the text.
    void setBgTexObj(int picture);
    // Returns 1 in the calc in which editing ended.
    int isEnded() const { return ended; }
    int isEditing() const { return editing; }

    CgifFont font;                // the field's text size and colour
    CgifFont2 cellFont;           // the cell-font variant's glyphs
    int useCellFont = 0;          // 1 after init2
    int editable = 1;             // 1: a press starts editing
    int editing = 0;
    int maxLength = kGifEditTextMax - 1;
    char text[kGifEditTextMax] = "0";
    int textMode = EDIT_NUMERIC;
    int keyLimit = 3;             // the longest text typing may produce
    int background = 0;           // 1: a plain rectangle behind the text instead of the picture
    int ended = 0;                // 1 for the one calc in which editing ended
    int minValue = 0, maxValue = 127;
    int cursor = 0;               // byte index
    int signedDisplay = 0;

private:
    void endEditing();
    void typeChar(char c);
    int onKey(int code);
};
