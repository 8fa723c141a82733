// frames: the nine frames of the main window's screen (wavutil.h).
//
// Each frame sits where the main background leaves room for it (window
// pixels, y down) and draws in window coordinates. The frames read the
// library (G.currentWaveList) and the selection values of wavelist.h; what
// the user does reaches the controller as toolkit messages posted through the
// screen. The wave list keeps its rows, its selection and its scroll offset;
// the others are views. Main thread, with the main window's GL context current.
#pragma once

#include <cstdint>

#include "gui/frame.h"
#include "gui/glstate.h"

class CgifUIWaveUtility;
class CgifUIButton;
class CgifUISlider2;
class CgifUISpin;
class CgifUIText;
struct sWave;
struct sTag;
struct sKit;
struct sgifUISystem;

// Draws pack picture `id` (the current texture manager's slot) with its
// top-left corner at (x, y), tinted by `c`. Nothing when it is not loaded.
void mwDrawPicture(int id, float x, float y, sGifColor c = sGifColor{1, 1, 1, 1});
// Draws Shift-JIS `text` in the bitmap font of `size` with its baseline at (x, y).
void mwDrawText(int size, float x, float y, const char *text, sGifColor c);

// The colours the main screen marks with.
constexpr sGifColor kMwSelected = gifRgb255(100, 104, 253);
constexpr sGifColor kMwNewWave = gifRgb255(236, 135, 54);
constexpr sGifColor kMwText = gifGrey(0.9f);

// --- 0: the wave list's scroll bar ----------------------------------------------------

class CgifFrScrollbar : public CgifFrame {
public:
    explicit CgifFrScrollbar(CgifUIWaveUtility *s) : screen(s) {}
    int init() override;
    void update() override;
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    // Follows the list: knob length and position from its rows and offset.
    void follow();
    CgifUIWaveUtility *screen;
    CgifUISlider2 *knob = nullptr;  // the travel between the arrows
    int held = 0;                   // 1 up arrow, 2 down arrow pressed
};

// --- 1: the header -----------------------------------------------------------------------

class CgifFrWaveTop : public CgifFrame {
public:
    int init() override;
    void update() override;
    void drawPrivate() override;
    CgifUIButton *newTag = nullptr;
    CgifUIButton *import = nullptr;
    char text[96] = {};  // "File:%d/10000 Remain:%s"
};

// --- 2: the preview player -------------------------------------------------------------

class CgifFrWavePlayer : public CgifFrame {
public:
    int init() override;
    void drawPrivate() override;
    // Volume in thousandths: the slider runs 0 to 120.
    void setVolume(int thousandths);
    int getVolume() const;
    // Position in thousandths of the wave: the time bar runs 0 to 400.
    void setTimebar(int thousandths);
    int getTimebar() const;
    // The texts from the facts the controller sends.
    void setTotal(uint64_t ms);
    void setPosition(int thousandths);
    void setInfo(int channels, uint32_t size);
    void showPlaying(int playing);
    CgifUIButton *play = nullptr;
    CgifUIButton *stop = nullptr;
    CgifUIButton *loop = nullptr;
    CgifUISlider2 *timebar = nullptr;
    CgifUISlider2 *volume = nullptr;
    uint64_t totalMs = 0;
    int channels = 0;
    uint32_t fileSize = 0;
    char posText[16] = "00:00";
    char lenText[16] = "/00:00";
    char infoText[64] = {};
};

// --- 3 and 4: the pads -------------------------------------------------------------------

// The first nine pads (first 0, count 9) or the further six (first 9, count 6).
class CgifFrPad : public CgifFrame {
public:
    CgifFrPad(CgifUIWaveUtility *s, int first, int count) : screen(s), first(first), count(count) {}
    int init() override;
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    // The pad slot (pad x 2, + 1 for the sub layer) at window point (x, y); -1 none.
    int slotAt(float x, float y) const;
    void padRect(int i, float *x, float *y, float *w, float *h) const;
    CgifUIWaveUtility *screen;
    int first, count;
    int pressSlot = -1;  // the slot a left press started on
};

class CgifFrExPad : public CgifFrPad {
public:
    explicit CgifFrExPad(CgifUIWaveUtility *s) : CgifFrPad(s, 9, 6) {}
};

// --- 5: the exit button ------------------------------------------------------------------

class CgifFrExit : public CgifFrame {
public:
    int init() override;
    void drawPrivate() override;
    CgifUIButton *button = nullptr;
};

// --- 6: the kit selector ---------------------------------------------------------------

class CgifFrKit : public CgifFrame {
public:
    explicit CgifFrKit(CgifUIWaveUtility *s) : screen(s) {}
    int init() override;
    // The selected kit's number and names into the fields.
    void update() override;
    void drawPrivate() override;
    CgifUIWaveUtility *screen;
    CgifUISpin *spin = nullptr;     // kit number 1 to 100, typed or stepped
    CgifUIText *name = nullptr;     // the kit's name (its field's 8 bytes)
    CgifUIText *subName = nullptr;  // its sub-name (16 bytes)
};

// --- 7: the wave list -----------------------------------------------------------------------

// One row of the list.
struct sMwRow {
    int32_t top;    // y of the row within the whole list (row x 20)
    uint32_t bits;  // MW_ROW_*
    void *item;     // the sWave or sTag
};

enum : uint32_t {
    MW_ROW_WAVE = 1u << 0,      // a wave row (clear: a category row)
    MW_ROW_OPEN = 1u << 1,      // the category is open
    MW_ROW_NEW = 1u << 2,       // the wave was imported in this run
    MW_ROW_USED = 1u << 3,      // a kit uses the wave
    MW_ROW_SELECTED = 1u << 4,
    MW_ROW_SHADED = 1u << 5,    // every other wave row
    MW_ROW_DROP = 1u << 6,      // the drop target of a drag
};

class CgifFrWaveList : public CgifFrame {
public:
    explicit CgifFrWaveList(CgifUIWaveUtility *s) : screen(s) {}
    ~CgifFrWaveList() override;
    int init() override;
    void update() override;
    int calcPrivate(int code, int value, int key, sgifUISystem system) override;
    void drawPrivate() override;
    // Rebuilds the rows from the library and the view flags, keeping the selection.
    void updateListSort();
    // Drops the rows, the selection and the restored open states (a new library).
    void forget();
    // The row at window y, -1 outside the rows.
    int rowAt(float y) const;
    // Scrolls by / to `pixels`, kept within the rows. Returns whether it moved.
    bool scrollBy(int pixels);
    bool scrollTo(int pixels);
    int maxScroll() const;
    // Brings row `i` into view.
    void showRow(int i);
    // Selection.
    void clearSelection();
    void selectRow(int i, bool on);
    int selectCount() const;
    int selectedRow(int n) const;  // the n-th selected row, -1 past the end
    // Selects exactly the rows showing these records (the first becomes current).
    void selectItems(void *const *items, int n);
    // Opens or closes the current row's category (force: open only).
    void openTag(int force);
    // Up / Down: the current row moves by `step`.
    void updownSelectIndex(int step);
    // The category a drop on row `i` lands in (a wave row's own category).
    sTag *rowTag(int i) const;
    // Restores the categories' open states from the settings, once per library.
    void initTagOpen();
    // The current row was pressed: the controller hears the selection.
    void hitWaveList(int button);
    // A drag of the selected rows ended over row `target` (below it with `after`).
    void sortWaveList(int target, bool after);

    CgifUIWaveUtility *screen;
    sMwRow *rows = nullptr;     // room for kMwRowMax ("Rows")
    int rowCount = 0;
    int scroll = 0;             // pixels the list is scrolled by
    int current = -1;           // the list's current row
    const void *openedFor = nullptr;  // the library whose open states were restored
    // The gesture in progress.
    int pressRow = -1;          // the row a left press landed on, -1 none
    int dragging = 0;           // 1 while selected rows are dragged
    int dropRow = -1;           // the row a drag or file drag would drop on
    int dropAfter = 0;          // 1: below it
    int lastClickRow = -1;      // for double clicks
    int64_t lastClickMs = 0;
    int rightRow = -1;          // the row a right press landed on
};

// Rows the list holds at most: every wave and every category.
constexpr int kMwRowMax = 10020;
// Height of a row, rows shown at once, and the list's area.
constexpr int kMwRowH = 20;
constexpr int kMwRowsShown = 22;
constexpr float kMwListX = 30, kMwListY = 75, kMwListW = 344, kMwListH = 440;

// --- 8: the background ------------------------------------------------------------------------

class CgifFrBG : public CgifFrame {
public:
    int init() override;
};
