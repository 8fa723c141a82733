// textedit: the single-line editor a text widget runs while a name is edited.
//
// The editor holds a Shift-JIS text of at most `capacity` bytes with a
// cursor and a selection (cursor to anchor). Every step moves, deletes and
// inserts whole characters, so no edit leaves half a double-byte character;
// text that does not fit is never cut inside one. Typed characters are the
// key events' characters 0x20-0x7E (a Ctrl+letter types nothing); editing
// keys act by their key code. Text committed by the input method arrives as
// UTF-8 (the window event WEV_TEXT_INPUT) and is inserted as Shift-JIS; a
// text Shift-JIS cannot hold is refused whole. Main thread; drawing needs the window's GL context.
#pragma once

#include <cstdint>

#include "gui/glstate.h"

// One editor, allocated with owner tag "tedit".
struct _sgifTextEdit {
    int32_t left, top, width, height;  // the editing area, relative to its owner's drawing origin
    char *text;                        // capacity + 1 bytes ("str"); the text being edited
    int32_t capacity;                  // the longest text, in bytes
    int32_t fontSize;                  // bitmap font size 8, 10, 12, 16 or 22; others draw nothing
    int32_t cursor;                    // byte index of the selection's moving end
    int32_t anchor;                    // byte index of its fixed end; equal to cursor: no selection
    int32_t textOffset;                // x of the text's start within the area
    int32_t editing;                   // 1 while input is taken
    int32_t updated;                   // 1 when the text or the selection changed since the last draw
    int32_t digitsOnly;                // 1: only digits are taken
    int32_t dragSelecting;             // 1 while the left button drags the cursor
    int32_t clicked;                   // 1 after the first press inside
    int32_t returned;                  // 1 when Return or keypad Enter ended the editing
    sGifColor textColor;
    sGifColor selColor;                // drawn with alpha 0.7
};

// Returns a new editor holding the longest run of whole characters of
// `text` (may be null) that fits `capacity` bytes, editing, nothing
// selected; null when memory runs out or `capacity` is below 1.
_sgifTextEdit *gifTextEditCreate(int left, int top, int width, int height, const char *text, int fontSize,
                                 int capacity, int digitsOnly, sGifColor textColor, sGifColor selColor);
// Frees the editor and its text. Null is ignored.
void gifTextEditDispose(_sgifTextEdit *edit);
// One input event: the pointer (x, y) relative to the area's owner, the
// button bits (BUT_LEFT while the left button is held) and key qualifiers,
// the window event code, its value and the typed character. Returns 1 when
// the text, the selection or the editing state changed, else 0 (and for null).
int gifTextEditDoCalc(_sgifTextEdit *edit, int x, int y, uint32_t buttons, uint32_t qualifiers, int code,
                      int value, int key);
// Inserts the UTF-8 `text` at the cursor in place of the selection: as many
// whole characters as fit. Returns the bytes inserted; -1 (nothing changed)
// when not editing, or when the text holds a character Shift-JIS cannot
// hold, a control character, or (digits only) anything but digits.
int gifTextEditCommit(_sgifTextEdit *edit, const char *text);
// Draws the text and, while editing, the cursor bar or the selection, in
// drawing coordinates; clears updated. Null is ignored.
void gifTextEditDoDraw(_sgifTextEdit *edit);
// Returns 0 once editing has ended; -1 while it goes on, and for null.
int gifTextEditIsEnd(const _sgifTextEdit *edit);
// Returns 0 when updated is set; -1 otherwise, and for null.
int gifTextEditIsUpdate(const _sgifTextEdit *edit);
// Returns the text, or null for null.
const char *gifTextEditGetTextPtr(const _sgifTextEdit *edit);
