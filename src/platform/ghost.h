// ghost: everything the program needs from the window system, in one place.
//
// The rest of the program calls only the `ghost` functions (and the few `os`
// functions named below); they forward to one host, a table of plain functions
// (sOsHost) that the executable installs at start-up: the desktop host, the
// scripted host of the tests, or the terminal host of `kvbrt`. The layer keeps
// what does not depend on the host: the windows' input state, the translation
// of platform events into the program's window event codes (windowProc), the
// menu item states, the dropped-file list, the modal-dialog bracketing and the
// storage-select dialog's list.
//
// Linux meanings: the application folder is the folder holding the executable;
// installed data lives in "<application folder>/../share/kvb-rt-wave-manager/"
// (resource/, language/, document/); the preferred language of hosts without a
// desktop toolkit comes from LANGUAGE, LC_ALL, LC_MESSAGES, LANG in that order.
// Ctrl plays the part of the Mac's Command key (code 172, and Ctrl+Q gives no
// key event, the host quits), Alt plays Option, the Super keys play Control.
//
// Calls that must reach the window controllers (which sit above this layer)
// go through callbacks the controllers register (sGhostCallbacks), so nothing
// here depends on them. Everything runs on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/str.h"

struct _sWindow;
struct sProgressView;

// --- Platform events (what a host posts) ---------------------------------------

// Platform event numbers. Numbers above OSEV_LAST and those not listed are ignored.
enum : int {
    OSEV_MOUSE_MOVE = 1,        // x, y: screen position; only while the window is active
    OSEV_BUTTON_DOWN = 2,       // button, x, y
    OSEV_BUTTON_UP = 3,         // button, x, y
    OSEV_DOUBLE_CLICK = 4,      // button
    OSEV_WHEEL = 5,             // amount: the vertical turn
    OSEV_KEY_DOWN = 8,          // keysym, text
    OSEV_KEY_UP = 9,            // keysym, text
    OSEV_DRAG_ENTER = 10,       // paths
    OSEV_DRAG_OVER = 11,
    OSEV_DRAG_LEAVE = 12,
    OSEV_DROP = 13,
    OSEV_DRAG_POSITION = 14,    // x, y: screen position, whatever the active state
    OSEV_TEXT_INPUT = 15,       // paths[0]: text the input method committed (UTF-8)
    OSEV_CLOSE_BOX = 16,
    OSEV_ACTIVATED = 17,
    OSEV_DEACTIVATED = 18,
    OSEV_NEEDS_REDRAW = 19,
    OSEV_RESIZED = 20,
    OSEV_MOVED = 21,
    OSEV_OPEN_DOCUMENTS = 22,   // paths
    OSEV_MENU_FIRST = 23,       // menu command = OSEV_MENU_FIRST + (code - 1000)
    OSEV_MENU_LAST = 55,
    OSEV_STORAGE_DIALOG_CLOSED = 67,  // amount: the dialog's result
    OSEV_LAST = 67,
};

// Platform mouse button numbers.
enum : int {
    OS_BUTTON_LEFT = 0,
    OS_BUTTON_RIGHT = 1,
    OS_BUTTON_MIDDLE = 2,
};

// One platform event. Hosts fill it on their stack and post it; the paths are
// copied by ghostPostEvent.
struct sOsEvent {
    int number;            // OSEV_*
    void *osWindow;        // the host's window the event belongs to
    int x, y;              // mouse events: screen position
    int button;            // OS_BUTTON_*
    int amount;            // wheel turn; storage-select dialog result
    uint32_t keysym;       // key events: the key's unshifted keysym (see ghostKeyTranslate)
    char text[8];          // key events: the key's text in UTF-8, zero-terminated
    const char *const *paths;  // drag enter, open documents: UTF-8 paths
    int pathCount;         // number of paths
};

// --- Window event codes (what handlers receive) ---------------------------------

enum : uint16_t {
    WEV_MOUSE_LEFT = 1,
    WEV_MOUSE_MIDDLE = 2,
    WEV_MOUSE_RIGHT = 3,
    WEV_MOUSE_X = 4,
    WEV_MOUSE_Y = 5,
    WEV_WHEEL_UP = 6,
    WEV_WHEEL_DOWN = 7,
    WEV_REDRAW = 18,
    WEV_RESIZED = 19,
    WEV_CLOSE_BOX = 23,
    WEV_MOVED = 24,
    WEV_ACTIVATION = 25,
    WEV_DRAG_ENTER = 26,
    WEV_DRAG_OVER = 27,
    WEV_DRAG_LEAVE = 28,
    WEV_DROP = 29,
    WEV_OPEN_FILE = 30,
    WEV_TEXT_INPUT = 31,        // text: what the input method committed (UTF-8), value 1
    WEV_MENU_FIRST = 1000,
    WEV_MENU_LAST = 1032,
    WEV_STORAGE_SELECTED = 2000,
};

// Menu command codes the layer itself acts on.
enum : int {
    MENU_VIEW_BY_NUMBER = 1008,
    MENU_VIEW_BY_NAME = 1009,
    MENU_VIEW_CATEGORIES = 1010,
    MENU_VIEW_AUTO_PLAY = 1011,
};

// Key codes with a meaning of their own for the layer (the whole table is in
// ghostKeyTranslate).
enum : int {
    KEY_CONTROL_LEFT = 212,
    KEY_OPTION_LEFT = 213,
    KEY_OPTION_RIGHT = 214,
    KEY_CONTROL_RIGHT = 215,
    KEY_SHIFT_RIGHT = 216,
    KEY_SHIFT_LEFT = 217,
    KEY_COMMAND = 172,
    KEY_OTHER_CHAR = 171,   // a character or key without a code of its own
    KEY_SHIFTED_CHAR = 255, // a character that only a shifted key gives on the Mac
};

// Key qualifier bits of a window.
enum : uint32_t {
    QUAL_SHIFT = 0x03,
    QUAL_OPTION = 0x0C,
    QUAL_CONTROL = 0x30,
    QUAL_COMMAND = 0xC0,
};

// Mouse button bits of a window.
enum : uint32_t {
    BUT_LEFT = 1,
    BUT_RIGHT = 2,
    BUT_MIDDLE = 4,
};

// Keysyms the hosts pass for keys (the X keysym values, which Qt, XKB and the
// tests all speak). Characters are their Latin-1 code. Only those the table
// needs by name are listed.
enum : uint32_t {
    KS_BACKSPACE = 0xff08, KS_TAB = 0xff09, KS_RETURN = 0xff0d, KS_ESCAPE = 0xff1b,
    KS_DELETE = 0xffff, KS_HOME = 0xff50, KS_LEFT = 0xff51, KS_UP = 0xff52,
    KS_RIGHT = 0xff53, KS_DOWN = 0xff54, KS_PAGE_UP = 0xff55, KS_PAGE_DOWN = 0xff56,
    KS_END = 0xff57, KS_NUM_LOCK = 0xff7f, KS_KP_ENTER = 0xff8d,
    KS_KP_MULTIPLY = 0xffaa, KS_KP_ADD = 0xffab, KS_KP_SUBTRACT = 0xffad,
    KS_KP_DECIMAL = 0xffae, KS_KP_DIVIDE = 0xffaf, KS_KP_0 = 0xffb0, KS_KP_9 = 0xffb9,
    KS_KP_EQUAL = 0xffbd, KS_F1 = 0xffbe, KS_F12 = 0xffc9,
    KS_SHIFT_L = 0xffe1, KS_SHIFT_R = 0xffe2, KS_CONTROL_L = 0xffe3, KS_CONTROL_R = 0xffe4,
    KS_META_L = 0xffe7, KS_META_R = 0xffe8, KS_ALT_L = 0xffe9, KS_ALT_R = 0xffea,
    KS_SUPER_L = 0xffeb, KS_SUPER_R = 0xffec, KS_ALTGR = 0xfe03, KS_LEFT_TAB = 0xfe20,
    KS_AUDIO_LOWER = 0x1008ff11, KS_AUDIO_MUTE = 0x1008ff12, KS_AUDIO_RAISE = 0x1008ff13,
    // Not a keysym: the underscore key of Japanese keyboards (evdev KEY_RO) has
    // none of its own, so hosts pass this for it.
    KS_JIS_UNDERSCORE = 0x0100ff5f,
};

// --- Windows --------------------------------------------------------------------

// Receives a window's events: the window, the user data, the window event
// code, its value, the typed character (or 0) and a text (or null, valid only
// during the call). A handler queues the event and returns; it must not
// dispose of its window, since one platform event may give several calls.
typedef void (*ghostEventHandler)(_sWindow *window, void *user, uint16_t code, int32_t value, char key,
                                  const char *text);

// One window, allocated with owner tag "sWin" by ghostWindowCreate.
struct _sWindow {
    _sWindow *next;           // link in the layer's list of live windows
    _sWindow *prev;
    void *osWindow;           // the host's window
    ghostEventHandler handler;  // receives the window's events; null: none
    void *user;               // passed back to the handler
    wchar_t title[128];       // the title given at creation
    int redrawSent;           // a redraw event was passed on and no frame presented since
    int32_t frameLeft, frameTop;      // outer position
    int32_t frameWidth, frameHeight;  // outer size
    int32_t clientLeft, clientTop;    // drawing area position (screen)
    int32_t clientWidth, clientHeight;  // drawing area size
    int active;               // 1 at creation; follows activation events
    int32_t mouseX, mouseY;   // last mouse position, client coordinates
    int32_t prevMouseX, prevMouseY;  // the position before the last move
    int32_t mouseDeltaX, mouseDeltaY;  // last move's difference
    uint32_t keyQual;         // QUAL_* bits
    uint32_t mouseBut;        // BUT_* bits
};

// A rectangle in screen coordinates.
struct sOsRect {
    int32_t left, top, width, height;
};

// What ghostWindowCreate asks a host for.
struct sOsWindowSpec {
    const wchar_t *title;
    int x, y, width, height;  // client area
    int minWidth, minHeight, maxWidth, maxHeight;
    // Window style: icon 1 = the main window (menu bar, drawing area below it);
    // flag 1 = a pop-up list (no frame, closes on a click outside it).
    int screen, drawMode, flag, menu, icon, last;
};

// --- Volumes --------------------------------------------------------------------

// One mounted volume as a host reports it.
struct sOsVolume {
    char name[256];          // display name (UTF-8); empty when it has none
    char path[kRliPathMax];  // mount folder, ending in "/"
    char fsType[32];         // file system type ("vfat", "exfat", "ext4" ...)
};

// --- Sound ----------------------------------------------------------------------

// A host's sound output for the preview player; a host without sound leaves it null.
struct sOsSound {
    void *(*create)(int *result, const char *path);  // null and *result != 0 on refusal
    void (*dispose)(void *wave);
    void (*doCalc)(void *wave);
    void (*play)(void *wave);
    void (*stop)(void *wave);
    void (*pause)(void *wave);
    void (*setPosition)(void *wave, float fraction);  // 0.0 start to 1.0 end
    float (*getPosition)(void *wave);
    void (*setVolume)(void *wave, float volume);
    float (*getVolume)(void *wave);
    void (*setLoop)(void *wave, int on);
    int (*getLoop)(void *wave);
    int (*getPlaying)(void *wave);
    int (*getIsEnd)(void *wave);
    float (*getTime)(void *wave);                     // whole length in milliseconds
    int (*getChannels)(void *wave);
    uint32_t (*getFilesize)(void *wave);
};

// --- The host -------------------------------------------------------------------

// Receives one path chosen in a file dialog.
typedef void (*osPathSink)(void *ctx, const char *path);

// The functions a host supplies. A null entry means the host has no such
// service; the layer then answers as documented at the ghost function.
struct sOsHost {
    const char *name;                 // "headless", "terminal", "desktop"
    int (*init)(void);                // 0, or negative when the system cannot start
    void (*term)(void);
    void (*pump)(void);               // pauses about 1 ms, posts pending host events; never blocks
    int64_t (*timeMs)(void);          // wall-clock milliseconds
    void (*displaySize)(int *w, int *h);
    int (*execute)(const char *path);  // open a document with its default application
    int (*language)(char *buf, size_t cap);  // preferred language as the host spells it; empty for none
    int (*eject)(const char *root);   // 0 ejected, 1 nothing to eject, -1 refused
    int (*volumeScan)(void);          // takes a snapshot of the mounted volumes; returns their number
    int (*volumeGet)(int i, sOsVolume *out);  // volume i of the snapshot; 0, or -1 out of range
    void *(*windowCreate)(_sWindow *window, const sOsWindowSpec *spec);
    void (*windowDispose)(void *osWindow);
    void (*windowShow)(void *osWindow, int on);
    void (*windowEnable)(void *osWindow, int on);
    void (*windowActivate)(void *osWindow);
    int (*windowGeometry)(void *osWindow, sOsRect *frame, sOsRect *client);  // 0 when known
    int (*windowFrameWidth)(void *osWindow);
    int (*makeCurrent)(void *osWindow);  // 0 when the window's GL context is current
    void (*swapRect)(void *osWindow, int x, int y, int w, int h);
    void (*present)(void *osWindow);
    void (*menuEnable)(int code, int on);
    void (*menuCheck)(int code, int on);
    void (*popupMenu)(void *osWindow, int count, const int *codes);
    // Open dialog for audio files starting in `startFolder`; hands each chosen
    // path to `sink` in order and returns how many; 0 = cancelled.
    int (*fileDialog)(const char *startFolder, osPathSink sink, void *ctx);
    // Folder chooser; on confirmation writes the folder (no trailing "/" needed)
    // into buf and returns 1; 0 = cancelled.
    int (*dirDialog)(char *buf, size_t cap, const char *startFolder, const wchar_t *title);
    int (*messageBox)(const wchar_t *title, const wchar_t *message, int kind);  // the button's result
    int (*storageDialogShow)(void);   // shows the storage-select dialog (ghostStorageDialog*)
    void (*cursorSet)(void *osWindow, int shape);
    void *(*cursorCreate)(void *osWindow, const uint8_t *rgba, int w, int h, int hotX, int hotY);
    void (*cursorSetCustom)(void *osWindow, void *cursor);
    const sOsSound *sound;
    int progressHoldMs;  // how long a finished progress window stays up (0: closes at once)
    const sProgressView *progressView;  // draws the progress window (job.h); null: nothing drawn
    void (*wake)(void);               // any thread: ends a wait of pump at once; null: none needed
};

// Installs the host the layer forwards to (null: none). Call before ghostInit.
void ghostHostInstall(const sOsHost *host);
// Returns the installed host, null when none. Changes nothing.
const sOsHost *ghostHost(void);

// --- Callbacks into the window controllers ------------------------------------

// Registered by the main window controller; any entry may be null. Each gets
// `user` back.
struct sGhostCallbacks {
    // A modal box or dialog opens (on 1) or has closed (on 0): the main window
    // leaves its requests alone while any is open.
    void (*forcingUpdate)(void *user, int on);
    // Stops a playing preview before a menu opens or a box is shown; `pass` 1:
    // then runs one step of the main window; `endEdit` 1: ends a text edit first.
    void (*waveStop)(void *user, int pass, int endEdit);
    // Redraws the main window once (a menu is about to open).
    void (*forcingDraw)(void *user);
    // Returns non-zero when a closed box must not bring its owner window forward.
    int (*parentsRefused)(void *user);
    void (*systemStart)(void *user);             // loads resources and settings while the system starts
    // The stored wave-import folder (user settings): read into buf / replace.
    void (*importFolderGet)(void *user, char *buf, size_t cap);
    void (*importFolderSet)(void *user, const char *folder);
    // String-table text `id` for menu titles and dialogs; never null when set.
    const wchar_t *(*text)(void *user, int id);
    void *user;
};

// Copies the callbacks (null: clears them). Never fails.
void ghostSetCallbacks(const sGhostCallbacks *callbacks);

// --- System and process ---------------------------------------------------------

// Starts the host, sets the application folder as current directory, runs the
// systemStart callback and registers windowProc. Returns 0; -1 without a host
// or when the host cannot start (nothing started then).
int ghostInit(void);
// Releases the dropped-file list, pending events and the host. Never fails.
void ghostTerm(void);
// Lets the host post its pending events, then passes every platform event
// queued at that moment to windowProc. A desktop host may wait up to about
// 10 ms for its first event when none is queued (ghostWake ends the wait);
// `wait` has no effect.
void ghostEventsProcess(int wait);
// Returns whether platform events wait for ghostEventsProcess. Changes nothing.
int ghostEventsPending(void);
// Ends a host's wait in ghostEventsProcess at once. Any thread; never fails.
void ghostWake(void);
// Records that the system asked the program to end (SIGTERM, the session
// ending). Async-signal-safe; never fails.
void ghostQuitRequest(void);
// Returns whether ghostQuitRequest was called. Changes nothing.
int ghostQuitRequested(void);
// Calls the registered text callback; "" without one. Never null.
const wchar_t *ghostText(int id);
// Queues one platform event (paths copied). Returns 0, or -1 when memory runs
// out (the event is then lost).
int ghostPostEvent(const sOsEvent *event);
// Returns wall-clock milliseconds; 0 before ghostInit.
int64_t ghostGetTime(void);
// Stores the largest display size (0, 0 without a display). Never fails.
void ghostDisplayGetSize(int *w, int *h);
// Determines the application folder and makes it G's current directory.
// Returns 0, or -1 when it cannot be found (G unchanged).
int ghostSetCurrentDir(void);
// Writes the application folder (no trailing "/") into buf. Returns 0, or -1
// when it cannot be found or does not fit (buf empty then).
int ghostGetAppFolder(char *buf, size_t cap);
// Writes "<application folder>/../share/kvb-rt-wave-manager/<sub>" into buf.
// Returns 0, or -1 (buf empty) as ghostGetAppFolder.
int ghostGetDataPath(char *buf, size_t cap, const char *sub);
// Opens a document with its default application. Returns 0, -1 when the host cannot.
int ghostExecute(const char *path);
// Unmounts and ejects the volume at `root`. Returns 0; 1 when there is
// nothing to eject (a fixed disk, a plain folder); -1 when it was refused or
// the host cannot eject.
int ghostStorageEjectDrive(const char *root);

// The interface language: the first preferred language reduced to its
// language part ("ja_JP.UTF-8" -> "ja"), "en" when there is none or it is
// "C"/"POSIX". osSetISO keeps the first two characters of `code` and wins over
// the host until osSetISO(null). Never fail.
const char *osGetISO(void);
void osSetISO(const char *code);
// Returns the language part of a locale or language list ("de:en" -> "de",
// "pt_BR.UTF-8@x" -> "pt"), writing it into buf; 0 and buf empty when the text
// names none ("", "C", "POSIX"). Never fails.
int ghostLanguageFromLocale(char *buf, size_t cap, const char *locale);
// Returns the preferred language from LANGUAGE, LC_ALL, LC_MESSAGES, LANG,
// the first that names one, into buf; 0 and buf empty when none does.
int ghostLanguageFromEnvironment(char *buf, size_t cap);

// --- Volumes --------------------------------------------------------------------

// Takes a snapshot of the mounted local volumes; returns their number (0
// without a host).
int osStorageRootCount(void);
// Display name of snapshot volume i into buf (empty when it has none). Returns
// 0, or -1 when i is out of range (buf empty).
int osStorageRootName(char *buf, size_t cap, int i);
// Mount folder of snapshot volume i, ending in "/", into buf. Returns 0, or -1
// when i is out of range or the path does not fit (buf empty). Needed because
// a display name is not a path on Linux.
int osStorageRootPath(char *buf, size_t cap, int i);
// The whole snapshot record of volume i. Returns 0, or -1 (out unchanged).
int osStorageRootInfo(int i, sOsVolume *out);
// Stores the size and the space free to ordinary users of the file system at
// `path`. Returns 0, or -1 (outputs 0) when it cannot be examined.
int ghostStorageSpace(const char *path, uint64_t *total, uint64_t *freeBytes);

// --- Windows --------------------------------------------------------------------

// Creates a window with a drawing surface of the given client size. Returns
// it, or null (nothing left allocated) when the host has no windows or fails.
_sWindow *ghostWindowCreate(const wchar_t *title, int x, int y, int width, int height, int minWidth,
                            int minHeight, int maxWidth, int maxHeight, int screen, int drawMode, int flag,
                            int menu, int icon, int last);
// Disposes the window; its pending events are dropped. Null is ignored.
void ghostWindowDispose(_sWindow *window);
// Installs the handler and user data. Never fails.
void ghostWindowSetHandler(ghostEventHandler handler, void *user, _sWindow *window);
// Client size / frame position / frame border width; zeros for null.
void ghostWindowGetSize(int *w, int *h, _sWindow *window);
void ghostWindowGetWindowPosition(int *x, int *y, _sWindow *window);
int ghostWindowGetFrameWidth(_sWindow *window);
// Shows (to the front) or hides / enables or disables input. Null is ignored.
void ghostWindowSetDraw(_sWindow *window, int on);
void ghostWindowSetAble(_sWindow *window, int on);
void ghostWindowActivate(_sWindow *window);
void ghostSetActive(_sWindow *window);
// Makes the window's drawing context current. Returns 0, -1 when it has none.
int ghostActivateWindowDrawingContext(_sWindow *window);
// Announces the changed rectangle (all zero: everything). Never fails.
void ghostWindowSwapBuffersRect(_sWindow *window, int x, int y, int w, int h);
// Presents the frame and clears the redraw-event-sent flag. Never fails.
void ghostGraphicsFinish(_sWindow *window);
// Input state as last reported; zeros for null.
void ghostGetMousePos(int *x, int *y, _sWindow *window);
uint32_t ghostGetMouseBut(_sWindow *window);
uint32_t ghostGetKeyQual(_sWindow *window);
// Returns the window whose host window is `osWindow`, null when none is live.
_sWindow *ghostWindowFromOs(void *osWindow);

// --- Menus ----------------------------------------------------------------------

// Enables or disables one item; the seven items with a state of their own
// (1002, 1003, 1014 to 1018) remember it. Codes outside 1000..1032 are ignored.
void ghostWindowSetMenuOnOff(_sWindow *window, int code, int on);
// Enables or disables the whole bar; own states apply again when enabled.
void ghostWindowAllMenuOnOff(int on);
// Hosts call this when a menu of the bar is about to open: a playing preview
// stops (without a main-window step) and the main window is redrawn. Never fails.
void ghostMenuWillOpen(void);
// Returns whether item `code` is enabled now (bar and own state). Changes nothing.
int ghostMenuIsEnabled(int code);
// Shows a context menu of `count` codes (-1 separator) at the mouse; codes
// other than 1024..1032 and -1 are left out. Never fails.
void ghostWindowPopupMenuCreate(_sWindow *window, int count, const int *codes);
// Sets the View menu's four check marks from G's view flags. Never fails.
void ghostMenuSyncViewChecks(void);

// --- Dialogs --------------------------------------------------------------------

// What a message box offers.
enum : int {
    MBOX_KIND_OK = 0,             // one button: OK
    MBOX_KIND_YES_NO = 1,         // yes and no
    MBOX_KIND_YES_CANCEL_NO = 2,  // yes, cancel and no
};
// The button a message box was answered with.
enum : int {
    MBOX_OK = 1,
    MBOX_YES = 2,
    MBOX_NO = 3,
    MBOX_CANCEL = 4,
};

// Open dialog for audio files. buf is cleared; on confirmation it gets the
// first path (cut to cap), the chosen folder becomes the wave-import folder
// and every path is delivered to `window` as an open-file event, in order.
// Returns 0 in both cases (empty buf: cancelled).
int ghostFileDlgOpen(char *buf, size_t cap, const char *filter, _sWindow *window);
// Folder chooser. Returns 1 with buf holding the folder ending in "/"; 0 when
// cancelled or the path does not fit (buf empty then).
int ghostDirDlgOpen(char *buf, size_t cap, _sWindow *window, const char *startFolder, int flag,
                    const wchar_t *title);
// Modal message box of `kind` (MBOX_KIND_*). Returns the button: MBOX_OK;
// MBOX_YES / MBOX_NO; MBOX_YES / MBOX_CANCEL / MBOX_NO; 0 for other kinds
// (nothing shown). A box no host could ask gets its safe answer (no, cancel).
int ghostMBoxOpen(const wchar_t *title, const wchar_t *message, int kind, _sWindow *window);
// Opens platform dialog `kind`; only 0, the storage-select dialog, exists.
// After ghostStorageDialogPreset the dialog is not shown: it closes at once
// with OK on the preset root, once. Returns 0 when opened, -1 when it is
// already open, cannot be shown or the kind is unknown.
int ghostDlgOpen(void *record, int kind, _sWindow *window);
// Names the card before the dialog is first opened (a folder given on the
// command line). Returns 0, -1 when `root` is empty or does not fit (nothing
// preset then).
int ghostStorageDialogPreset(const char *root);
// The root path (ending in "/") last chosen in the storage-select dialog; "" when none.
const char *ghostDlgStorageRootPtr(void);

// The storage-select dialog's list, kept here so every host shows the same.
// Rebuilds the list from the volumes mounted now (volumes without a display
// name left out) and returns its length; the selection keeps the volume
// mounted where the previous selection was (names overlap: "KVB-RT" and
// "KVB-RT 2"), else the volume named exactly "KVB-RT" on first opening, else
// the first.
int ghostStorageDialogRefresh(void);
// Display name of list entry i; "" out of range.
const char *ghostStorageDialogName(int i);
// Index of the selected entry, -1 when the list is empty.
int ghostStorageDialogSelected(void);
// The user chose entry i: it becomes the selection and its mount path the root.
// Returns 0, -1 out of range (nothing changed).
int ghostStorageDialogChoose(int i);
// The user opened folder `path` as the card (a copy of a card on disk): it
// becomes the root (with a trailing "/") and the dialog closes with OK.
// Returns 0, -1 when the path is empty or does not fit (dialog still open).
int ghostStorageDialogChooseFolder(const char *path);
// The dialog closed with `result` (1 OK, 0 Cancel): posts the dialog-closed event.
void ghostStorageDialogClose(int result);
// Returns whether the storage-select dialog is open.
int ghostStorageDialogIsOpen(void);

// --- Cursors --------------------------------------------------------------------

void ghostCursorSetShape(_sWindow *window, int shape);
// Returns a cursor handle from RGBA pixels, null when the host has none.
void *ghostCursorCreateCustomShapeEx(_sWindow *window, const uint8_t *rgba, int w, int h, int hotX, int hotY);
void ghostCursorSetCustomShapeEx(_sWindow *window, void *cursor);

// --- Drag and drop --------------------------------------------------------------

// Number of paths being dragged, valid from drag enter until it leaves.
int ghostDragCount(void);
// Path i of the drag (UTF-8), null out of range.
const char *ghostDragCount(int i);

// --- Event translation ----------------------------------------------------------

// The consumer of every platform event: updates the window's input state and
// calls its handler with the translated code. Returns 1 for every event.
int windowProc(const sOsEvent *event, void *user);
// Returns the key code for `keysym` (0: the key gives no event) and stores the
// key's qualifier bits (0 for a non-modifier) in *qual when given. `hasText`
// tells whether the key typed a character.
int ghostKeyTranslate(uint32_t keysym, int hasText, uint32_t *qual);
// Returns the first character of UTF-8 `text` in Latin-1, 0 when it has none.
char ghostKeyChar(const char *text);
// Brings `window`'s qualifiers in line with the modifiers held now (QUAL_*
// bits, as the host saw on reactivation) by passing key-down and key-up
// events for Shift, Control, Option and Command, each that changed.
void ghostModifiersResync(_sWindow *window, uint32_t heldQual);

// --- Sound ----------------------------------------------------------------------
// Forwarders to the host's sound output. Without one, osWaveCreate returns
// null with *result = -1 and the others do nothing / return 0.

void *osWaveCreate(int *result, const char *path);
void osWaveDispose(void *wave);
void osWaveDoCalc(void *wave);
void osWavePlay(void *wave);
void osWaveStop(void *wave);
void osWavePause(void *wave);
void osWaveSetPosition(void *wave, float fraction);
float osWaveGetPosition(void *wave);
void osWaveSetVolume(void *wave, float volume);
float osWaveGetVolume(void *wave);
void osWaveSetLoop(void *wave, int on);
int osWaveGetLoop(void *wave);
int osWaveGetPlaying(void *wave);
int osWaveGetIsEnd(void *wave);
float osWaveGetTime(void *wave);
int osWaveGetChannels(void *wave);
uint32_t osWaveGetFilesize(void *wave);
