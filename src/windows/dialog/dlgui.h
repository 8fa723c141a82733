// dlgui: the screen and the panel frame the secondary windows are drawn with.
//
// A secondary window's screen is a CgifUIDialog: its own texture, sprite and
// object managers with the pack's pictures 0 to 102, one panel frame (the
// window's background picture, captions, buttons and name fields) and any
// frames of its own (lists). Buttons post their message on release; a name
// field posts its message with its text when its editing ends. Texts are
// Shift-JIS. Main thread, with the window's GL context current.
#pragma once

#include <cstdint>

#include "gui/frame.h"
#include "gui/glstate.h"
#include "gui/ui.h"

class CgifUIButton;
class CgifUIText;

// Captions a panel holds at most.
constexpr int kDlgCaptionMax = 8;
// Colours of the secondary windows: light text on the dark panels, the rows'
// tints and the highlight.
constexpr sGifColor kDlgText = gifGrey(0.9f);
constexpr sGifColor kDlgDark = gifGrey(0.0f);
constexpr sGifColor kDlgPanel = gifRgb255(23, 26, 25);
constexpr sGifColor kDlgCategory = {0.9254902f, 0.5294118f, 0.21176471f, 1.0f};
constexpr sGifColor kDlgHighlight = {0.039215688f, 0.14117648f, 0.41568628f, 1.0f};
constexpr sGifColor kDlgKitHighlight = {1.0f, 0.5f, 0.5f, 1.0f};

// Draws pack picture `id` (a slot of the current texture manager) with its
// top-left corner at (x, y), tinted by `c`; nothing when it is not loaded.
void dlgDrawPicture(int id, float x, float y, sGifColor c = gifGrey(1.0f));
// Draws Shift-JIS `text` in the 12-pixel font, vertically centred on the row
// from `top` of height `h`, starting at `x`.
void dlgDrawText(const char *text, float x, float top, float h, sGifColor c);

// One caption of a panel.
struct sDlgCaption {
    char text[64];  // Shift-JIS
    float x, y;     // left end, top of a 20-pixel row
};

// The window's panel: background picture, captions, widgets.
class CgifFrDialog : public CgifFrame {
public:
    // Takes picture `picture` (its size) as the background. Returns 0, -1.
    int init(int picture);
    void drawPrivate() override;
    // Adds a caption (cut to 63 bytes). Returns its index, -1 when full.
    int addCaption(const char *text, float x, float y);
    // Takes widget `w` or deletes it. Returns it, or null.
    template <typename W> W *adopt(W *w) { return w && addObject(w) >= 0 ? w : (delete w, nullptr); }

    int picture = -1;
    sDlgCaption captions[kDlgCaptionMax] = {};
    int captionCount = 0;
};

class CgifUIDialog : public CgifUI {
public:
    // Managers, pictures and the panel over `picture`. Returns 1, 0 on failure.
    int initDialog(int picture);
    // A caption button (picture pair `picture`, `picture` + 1) at (x, y)
    // posting `message`. Null on failure.
    CgifUIButton *addButton(int picture, float x, float y, const char *caption, int32_t message);
    // A picture button of `count` pairs starting at `picture`. Null on failure.
    CgifUIButton *addPictureButton(int picture, int count, float x, float y, int32_t message);
    // A name field over picture `picture` at (x, y) taking at most `capacity`
    // bytes, posting `message` with its text when editing ends. Null on failure.
    CgifUIText *addField(int picture, float x, float y, int capacity, int32_t message);
    // A field's editing ended: its message with its text and param.
    void deleteFrameObject(CgifUIObjBase *widget) override;

    CgifFrDialog *panel = nullptr;
};
