// ui: the screen, one per window: its frames, its managers and the input
// turn that feeds them.
//
// A window's controller drives its screen once per event of the window's
// queue: it calls calc, reads every message from G.gifQueue, hands its own
// notifications to calcEvent, and draws; when getGraphicsFinish says the
// draw put something new on the window, it presents. The screen follows the
// pointer, the buttons and the modifier keys through the events themselves
// (codes 4 and 5 carry the position, button and modifier codes their
// changes), so a batch of events read after one poll is seen as it
// happened, not with the window's state at the end of the batch. The base calc is the common input turn (the held widgets first,
// then the frames in calc order until one takes the event) and the base
// draw the common draw (the frames in draw order); screens with rules of
// their own override them and call the pieces. Main thread, with the
// window's GL context current.
#pragma once

#include <cstdint>

#include "gui/gifalloc.h"
#include "gui/uisystem.h"

class CgifFrame;
class CgifUIObjBase;
class CgifTexMng;
class CgifSpriteMng;
class CgifObjectMng;
struct _sWindow;

// Screen flag bits.
enum : uint32_t {
    UIF_REDRAW = 1u << 0,       // a redraw of the frames is wanted (with UIF_REDRAW2)
    UIF_CLEAR = 1u << 2,        // clear the whole window before the next draw
    UIF_FILE_DRAG = 1u << 3,    // a file drag is over the window
    UIF_REDRAW2 = 1u << 4,
    UIF_WORLD_X = 1u << 5,      // the pointer's x is in world units
    UIF_WORLD_Y = 1u << 6,      // the pointer's y is in world units
};

// Frames a screen holds at most.
constexpr int kGifMaxFrames = 16;

class CgifUI : public CgifTracked {
public:
    CgifUI();
    CgifUI(const CgifUI &) = delete;
    CgifUI &operator=(const CgifUI &) = delete;
    // Destroys the frames, then the managers (term).
    virtual ~CgifUI();

    // Builds the screen (the base: nothing). Returns 1, 0 on failure.
    virtual int init() { return 1; }
    // Destroys the frames, then the managers. Never fails.
    virtual void term();
    // One event; `text` is the event's text or null. The base: the common
    // input turn (see calcStandard). Returns 1 when anything changed.
    virtual int calc(int code, int value, int key, const char *text);
    // Draws the dirty frames in draw order (see drawFrames).
    virtual void draw() { drawFrames(); }
    virtual void drawDrug() {}
    // Calls every frame's update and marks it dirty.
    virtual void update();
    // A notification of the window's controller (the base: nothing).
    virtual void calcEvent(int code, intptr_t value, const char *text) { (void)code, (void)value, (void)text; }
    virtual void getDrugImageSize(int *w, int *h) { *w = *h = 0; }
    virtual void getDrugImagePos(int *x, int *y) { *x = *y = 0; }
    // Stores the rectangle a present must cover: the whole window.
    virtual void getDrawFrameSize(int *x, int *y, int *w, int *h);
    // The object manager's reports about held widgets (the base: nothing).
    virtual void deleteFrameObject(CgifUIObjBase *widget) { (void)widget; }
    virtual int calcObject(CgifUIObjBase *widget) { return (void)widget, 0; }
    virtual void calcSetObject(CgifUIObjBase *widget) { (void)widget; }

    // --- Building ---
    // Makes this screen's texture manager (`textures` slots), sprite manager
    // (`sprites` slots) and object manager, once, and makes them current.
    // Returns 0, -1 when memory runs out.
    int initManagers(int textures, int sprites);
    // Makes this screen's managers the current ones (setManeger).
    void setManeger();
    // Loads pack pictures 0 to count - 1 into texture slots 0 to count - 1.
    // Returns 0, -1 when one is missing or does not load.
    int loadPictures(int count);
    // Adds a frame the screen then owns, after the others in calc and draw
    // order; gives it its index and the screen's snapshot. Returns the index,
    // -1 for null or when the screen is full (the frame not taken).
    int addFrame(CgifFrame *frame);
    // Sets the order frames are drawn in (`n` indices).
    void setDrawOrder(const int *order, int n);
    CgifFrame *getFrame(int i) const { return i >= 0 && i < frameCount ? frames[i] : nullptr; }
    // Marks every frame dirty and asks for a clear of the whole window.
    void setDrawAll();

    // --- Input ---
    void setWindowSize(int w, int h);
    // The pointer moves to (x, y); the current point becomes the previous one.
    void setMousePos(float x, float y);
    // Takes the window's pointer, buttons and qualifiers as they are now (a
    // screen shown or resumed mid-gesture). Null is ignored.
    void setInput(const _sWindow *window);
    // Returns 1 when the last draw put something new on the window.
    int getGraphicsFinish() const { return frameFinished; }
    // Clears the whole window (projection over all of it).
    void clearScreen();
    // Converts the pointer, previous pointer and press position between
    // window and world units on the axes of `axes` (UIF_WORLD_X, UIF_WORLD_Y):
    // `mode` 1 subtracts the scroll offset, any other adds it back; an axis
    // already in the asked state is left alone.
    void changeMousePos(uint32_t axes, int mode);
    // Posts a message into G.gifQueue.
    void sendEventID(int32_t message, intptr_t value, intptr_t param, const char *text);

    int frameFinished = 0;       // 1 when the last draw drew; calc clears it
    int windowWidth = 1011;      // client size
    int windowHeight = 837;
    int frameCount = 0;
    sgifUISystem system{};       // the input snapshot
    uint32_t screenFlags = 0;    // UIF_* bits
    CgifFrame *frames[kGifMaxFrames] = {};  // in calc order
    int drawOrder[kGifMaxFrames] = {};
    CgifTexMng *textures = nullptr;
    CgifSpriteMng *sprites = nullptr;
    CgifObjectMng *objects = nullptr;

protected:
    // Keeps the snapshot in line with one event: pointer, buttons, the press
    // position, modifier keys, drag state, the window size, the event's text.
    void trackInput(int code, int value, const char *text);
    // The common input turn: trackInput, managers current, the held
    // widgets, then the frames in calc order until one returns 1; code 18
    // (redraw) marks everything for drawing. Returns 1 when anything changed.
    int calcStandard(int code, int value, int key, const char *text);
    // The common draw: managers current, the GL state, a whole-window clear
    // when asked, the frames in draw order; sets frameFinished when anything drew.
    void drawFrames();
};
