// objbase: the widget base class.
//
// A widget is a piece of a frame the user handles: it owns one main sprite
// (every geometric operation forwards to it), may mirror its value into the
// caller's memory (value data), and reports what the user finished doing by
// posting its message into G.gifQueue. Pressable widgets follow one
// protocol: a press inside hands the widget to the screen's object manager,
// which then gives it every event first; the widget sets its done bit at the
// release and the manager lets it go.
//
// Widgets are made with `new` (tracked, null on failure), placed into a
// frame (CgifFrame::addObject), which owns them, and built with one of the
// init forms while the screen's managers are current. Main thread only.
#pragma once

#include <cstdint>

#include "gui/gifalloc.h"
#include "gui/uisystem.h"

class CgifSprite;
class CgifFrame;
class CgifObjectMng;

// Widget flag bits; classes use further bits of their own.
enum : uint32_t {
    OBJ_CHANGED = 1u << 0,        // tell the owner frame at the end of this calc
    OBJ_DONE = 1u << 1,           // the object manager lets the widget go
    OBJ_HELD = 1u << 2,           // held by an object manager
    OBJ_POSTS = 1u << 3,          // posts its message
    OBJ_ACTIVE = 1u << 4,         // may post at all
    OBJ_NO_INPUT = 1u << 7,       // takes no input
    OBJ_SECOND_BUTTON = 1u << 9,  // pressed with the right (or middle) button instead of the left
    OBJ_DOUBLE_CLICK = 1u << 11,  // the last press was a double click
    OBJ_FLAGS_INITIAL = OBJ_ACTIVE,
};

class CgifUIObjBase : public CgifTracked {
public:
    CgifUIObjBase() = default;
    CgifUIObjBase(const CgifUIObjBase &) = delete;
    CgifUIObjBase &operator=(const CgifUIObjBase &) = delete;
    // Leaves the object manager and gives the sprites back.
    virtual ~CgifUIObjBase();

    // Build forms; each returns 0, or -1 when a sprite cannot be taken (the
    // widget stays without one; the reason goes to the debug log). The base
    // forms: nothing / a sprite showing texture slot `picture` / a sprite
    // showing pictures[0].
    virtual int init() { return 0; }
    virtual int init(int picture);
    virtual int init(const int *pictures, int count);
    // Gives the sprites back. Never fails.
    virtual void term();
    // One input event. Returns non-zero when the widget pressed, released or
    // changed; the base takes no input (0).
    virtual int calc(int code, int value, int key, sgifUISystem system);
    // Draws the sprite when it is drawn with all its parents.
    virtual void draw();
    // Brings the widget's look in line with its state (the base: nothing).
    virtual void update() {}
    virtual void setType(int t) { type = t; }
    virtual int getType() const { return type; }
    virtual void setValueData(int32_t *p) { valueData = p; }
    virtual int32_t *getValueData() const { return valueData; }
    // The widget's value (the base: 0, and setValue does nothing).
    virtual int getValue() const { return 0; }
    virtual void setValue(int) {}
    // Returns 1 when window point (x, y) is on the widget, else 0 (0 without a sprite).
    virtual int isHit(float x, float y) const;
    virtual void setSize(float w, float h);
    virtual void getSize(float *w, float *h) const;

    // Geometry, forwarded to the sprite; no-ops (zeros) without one.
    void setDraw(int on);
    int getDraw() const;
    void setPos(float x, float y);
    void getPos(float *x, float *y) const;
    void setWorldLeftTopPos(float x, float y);
    void getLeftTop(float *x, float *y) const;
    void setParent(CgifSprite *parent);
    CgifSprite *getSprite() const { return sprite; }

    // The message posted when the user finishes an action, and its param;
    // also turns posting on (clear OBJ_POSTS afterwards for a widget that
    // only reports through its frame). -1: none.
    void setMessage(int32_t msg, intptr_t prm);
    void setFlags(uint32_t bits) { flags |= bits; }
    void clearFlags(uint32_t bits) { flags &= ~bits; }
    bool hasFlags(uint32_t bits) const { return (flags & bits) == bits; }
    // Posts the widget's report when it has one (fire) and is active: the
    // message with `value` (times 1000 / 120 for message 5 and 1000 / 400 for
    // message 4) and the param, when it posts and has a message. Clears fire.
    void sendQueue(int value);

    CgifSprite *sprite = nullptr;     // the main sprite, or null
    int32_t *valueData = nullptr;     // caller memory mirroring the value, or null
    int type = 0;                     // variant; meaning per class
    int group = -1;                   // the class's group: 6 edit fields, 11 text widgets
    int fire = 0;                     // 1 when a value is waiting to be posted
    int32_t message = -1;             // message to post, -1 for none
    intptr_t param = 0;               // second argument of the message
    CgifFrame *ownerFrame = nullptr;  // marked dirty when the widget changes
    uint32_t flags = OBJ_FLAGS_INITIAL;
    CgifObjectMng *heldBy = nullptr;  // the manager holding the widget, or null
    CgifUIObjBase *holder = nullptr;  // for a widget inside another: the one handed to the manager

protected:
    // Whether `code` with `value` is a press (1) or release (0) of this
    // widget's button.
    bool isPress(int code, int value) const;
    bool isRelease(int code, int value) const;
    // Whether this widget's button is held now.
    bool buttonHeld(const sgifUISystem &s) const;
    // Hands the widget (or its holder) to the current object manager.
    void hold();
    // Ends the user's action: posts `value` when `fired`, and sets the
    // changed and done bits so the object manager lets the widget go.
    void finishAction(bool fired, int value);
    // The screen's own input snapshot (through the owner frame), or null.
    sgifUISystem *screenSystem() const;
    // Takes a sprite showing texture slot `picture` (-1: none) of the current
    // managers; logs and returns null when none is left.
    CgifSprite *takeSprite(int picture, const char *who);
};
