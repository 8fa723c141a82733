// objmng: the widgets under the user's hand.
//
// A pressed widget is handed to its screen's object manager, which gives it
// every event before the frames see it, until the widget sets its done bit
// (normally at the release). Up to 10 widgets are held at once. Main thread only.
#pragma once

#include <cstdint>

#include "gui/gifalloc.h"
#include "gui/uisystem.h"

class CgifUI;
class CgifUIObjBase;

// Widgets held at most.
constexpr int kGifObjectSlots = 10;

class CgifObjectMng : public CgifTracked {
public:
    explicit CgifObjectMng(CgifUI *owner = nullptr) : owner_(owner) {}
    CgifObjectMng(const CgifObjectMng &) = delete;
    CgifObjectMng &operator=(const CgifObjectMng &) = delete;
    // Lets every held widget go.
    ~CgifObjectMng() { deleteAll(); }

    // Holds `widget`: marks it held, copies its value data into its param,
    // and tells the owner screen (calcSetObject). Returns 0; -1 when it is
    // null, held already, or every slot is taken (nothing changes then).
    int setObject(CgifUIObjBase *widget);
    // Lets `widget` go (clears its done and held bits). Not held: ignored.
    void deleteObject(CgifUIObjBase *widget);
    void deleteAll();
    // Empties every slot without touching the widgets and forgets the owner.
    void reset();
    // The held widgets' turn at one event. Unless a text editor is open,
    // only button codes (1, 2, 3), pointer moves (4, 5) and keys (48 and up)
    // reach them. A widget that reports a change has its frame marked dirty
    // and the screen told (calcObject); a widget that is done is let go and
    // then handed to the screen's deleteFrameObject (which may delete it).
    // Returns 1 when any widget of a frame reported a change, else 0.
    int calc(int code, int value, int key, const sgifUISystem &system);

    int getCount() const { return count_; }
    CgifUIObjBase *getObject(int slot) const { return slot >= 0 && slot < kGifObjectSlots ? slots_[slot] : nullptr; }
    CgifUI *getOwner() const { return owner_; }
    void setOwner(CgifUI *owner) { owner_ = owner; }

private:
    CgifUIObjBase *slots_[kGifObjectSlots] = {};
    int count_ = 0;
    CgifUI *owner_ = nullptr;
};
