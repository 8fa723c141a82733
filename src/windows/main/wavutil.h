// wavutil: the main window's screen, CgifUIWaveUtility.
//
// Nine frames (frames.h) show the open card's library: the header with the
// file count, the wave list under its categories with its scroll bar, the
// preview player, the kit selector, the pads of the selected kit, the
// further pads, the exit button and the background. The screen reads the
// controller's notifications (calcEvent, codes of mainctl.h's request queue),
// keeps the list's selection, and reports what the user did as toolkit
// messages (MW_MSG_*) that the controller turns into library edits. It holds
// no library state of its own beyond the selection and the view of it.
// Main thread, with the main window's GL context current.
#pragma once

#include <cstdint>

#include "gui/ui.h"

class CgifFrScrollbar;
class CgifFrWaveTop;
class CgifFrWavePlayer;
class CgifFrPad;
class CgifFrExPad;
class CgifFrExit;
class CgifFrKit;
class CgifFrWaveList;
class CgifFrBG;
struct sWave;
struct sTag;

// The frames, by index (the calc order).
enum : int {
    MW_FRAME_SCROLL = 0,
    MW_FRAME_TOP = 1,
    MW_FRAME_PLAYER = 2,
    MW_FRAME_PAD = 3,
    MW_FRAME_EXPAD = 4,
    MW_FRAME_EXIT = 5,
    MW_FRAME_KIT = 6,
    MW_FRAME_LIST = 7,
    MW_FRAME_BG = 8,
    MW_FRAME_COUNT = 9,
};

// Toolkit messages the screen posts (G.gifQueue); the controller acts on them.
enum : int32_t {
    MW_MSG_PLAY = 1,           // start the preview
    MW_MSG_STOP = 2,           // stop it
    MW_MSG_LOOP = 3,           // value: the loop flag
    MW_MSG_POSITION = 4,       // value: position in thousandths
    MW_MSG_VOLUME = 5,         // value: volume in thousandths
    MW_MSG_OPEN_IMPORT = 6,
    MW_MSG_EXPORT = 7,         // value: the sWave
    MW_MSG_OPEN_CATEGORY = 8,
    MW_MSG_OPEN_WAVEEDIT = 10,
    MW_MSG_DELETE_WAVE = 18,   // value: the sWave
    MW_MSG_SELECT_WAVE = 19,   // value: the sWave or 0
    MW_MSG_TAG_SAVE = 21,
    MW_MSG_DELETE_TAG = 22,    // value: the sTag; param: the gesture's batch number
    MW_MSG_MOVE_WAVE = 25,     // value: the sWave, into the selected category
    MW_MSG_SELECT_TAG = 26,    // value: the sTag or 0
    MW_MSG_TAG_BEFORE = 27,    // value: the sTag placed before the selected one
    MW_MSG_TAG_AFTER = 28,     // value: the sTag placed after the selected one
    MW_MSG_KIT_NAME = 29,      // value: kit index; text: the name
    MW_MSG_KIT_SUBNAME = 30,   // value: kit index; text: the sub-name
    MW_MSG_SELECT_KIT = 31,    // value: kit index
    MW_MSG_SELECT_PAD = 33,    // value: pad slot (pad x 2, + 1 for the sub layer), -1 none
    MW_MSG_ASSIGN = 34,
    MW_MSG_RELEASE = 35,
    MW_MSG_PAD_EXCHANGE = 36,
    MW_MSG_DROP_TAG = 37,      // value: the sTag the dragged files go into; param: batch number
    MW_MSG_DROP_PAD = 38,      // value: the sTag; param: batch number
    MW_MSG_CURSOR_DRAG = 40,   // value: 1 a wave, 0 a category
    MW_MSG_CURSOR_ARROW = 41,
    MW_MSG_DRAG_WAVE = 42,     // value: the sWave being dragged, or 0
    MW_MSG_MBOX_68 = 44,
    MW_MSG_MBOX_78 = 45,
    MW_MSG_CLOSE = 48,
};

// Notifications of the controller (request queue codes).
enum : int {
    MW_REQ_WAVES_TOUCHED = 3,
    MW_REQ_TAGS_TOUCHED = 9,
    MW_REQ_KIT_NAME = 10,
    MW_REQ_KIT_SUBNAME = 11,
    MW_REQ_PAD_SELECT = 20,
    MW_REQ_ASSIGN_REFUSED = 21,
    MW_REQ_ASSIGNED = 22,
    MW_REQ_KIT_CHOSEN = 100,
    MW_REQ_TOTAL_TIME = 200,
    MW_REQ_FILE_SIZE = 201,
    MW_REQ_CHANNELS = 202,
    MW_REQ_POSITION = 203,
    MW_REQ_STOPPED = 204,
    MW_REQ_ENDED = 205,
    MW_REQ_IMPORT_CLOSED = 206,
    MW_REQ_WAVEEDIT_DONE = 300,
};

// Screen flag bits of this screen, beside the toolkit's.
enum : uint32_t {
    MWF_SPACE_HANDLED = 1u << 7,
    MWF_PLAY_BUTTON = 1u << 8,
    MWF_PAD_FOCUS = 1u << 16,
    MWF_WHOLE_WINDOW = 1u << 21,
};

class CgifUIWaveUtility : public CgifUI {
public:
    // Builds the nine frames. Returns 1; 0 when the pack holds fewer than the
    // main window's pictures or memory runs out.
    int init() override;
    int calc(int code, int value, int key, const char *text) override;
    void draw() override;
    void update() override;
    void calcEvent(int code, intptr_t value, const char *text) override;
    void getDrawFrameSize(int *x, int *y, int *w, int *h) override;
    int calcObject(CgifUIObjBase *widget) override;
    void deleteFrameObject(CgifUIObjBase *widget) override;

    // --- The list's selection, in list order ---
    int getWaveListSelectNum() const;
    // 1 for a wave row, 0 for a category row; -1 out of range.
    int getWaveListSelectType(int i) const;
    // The row's sWave or sTag; null out of range.
    void *getWaveListSelectPtr(int i) const;
    // Rows in the list now.
    int getWaveListDataNum() const;

    // Marks every frame dirty (and, with `on`, asks for a whole clear).
    void setDrawAll(int on);
    // Closes an open text editor, keeping its text, at the next calc.
    void endTextEdit();
    void changePadCursor(int v) { padCursor = v; }
    // The player's buttons (they post the messages the controller plays by).
    void playWave();
    void stopWave();
    void autoPlayWave();
    // Posts an export message for every selected wave row.
    void exportWave();
    // Posts a pad selection (message 33) for pad slot `slot` (-1: none).
    void selectPad(int slot);

    CgifFrScrollbar *scroll = nullptr;
    CgifFrWaveTop *top = nullptr;
    CgifFrWavePlayer *player = nullptr;
    CgifFrPad *pads = nullptr;
    CgifFrExPad *exPads = nullptr;
    CgifFrExit *exitFrame = nullptr;
    CgifFrKit *kit = nullptr;
    CgifFrWaveList *list = nullptr;
    CgifFrBG *bg = nullptr;
    int kitIndex = 0;    // the selected kit, 0 to 99
    int padSlot = -1;    // the selected pad slot, -1 none
    int padCursor = 0;   // 1 after a refused assignment
    int batch = 0;       // numbers one gesture's deletions and drops
    int deleteBatch = 0;

private:
    void calcKeys(int code, int value, int key);
    void dropFiles(int x, int y);
    void runContextCommand(int code);
};
