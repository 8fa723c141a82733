// Event translation: platform events to window event codes. See ghost.h.
#include <cstring>

#include "foundation/global.h"
#include "foundation/mem.h"
#include "ghost.h"
#include "ghost_private.h"

namespace {

// The dropped-file list: paths of the drag in progress.
int gDragCount = 0;
char **gDragPaths = nullptr;  // "charpp", each path "strs"

void dragReplace(const char *const *paths, int count) {
    ghostDragRelease();
    gDragPaths = ghostPathsCopy(paths, count);
    gDragCount = gDragPaths ? count : 0;
}

// Keys whose code depends only on the keysym.
struct sKeyRow {
    uint32_t keysym;
    uint16_t code;
    uint32_t qual;
};

constexpr sKeyRow kKeyTable[] = {
    // Keypad with Num Lock off gives the same codes as with it on: the Mac's
    // keypad has no such lock, so the code follows the key.
    {KS_KP_DECIMAL, 199, 0}, {0xff9f /* KP_Delete */, 199, 0},
    {KS_KP_MULTIPLY, 160, 0}, {KS_KP_ADD, 164, 0}, {KS_KP_DIVIDE, 161, 0},
    {KS_KP_ENTER, 163, 0}, {KS_KP_SUBTRACT, 162, 0},
    {0xff9e /* KP_Insert */, 150, 0}, {0xff9c /* KP_End */, 151, 0}, {0xff99 /* KP_Down */, 152, 0},
    {0xff9b /* KP_Next */, 153, 0}, {0xff96 /* KP_Left */, 154, 0}, {0xff9d /* KP_Begin */, 155, 0},
    {0xff98 /* KP_Right */, 156, 0}, {0xff95 /* KP_Home */, 157, 0}, {0xff97 /* KP_Up */, 158, 0},
    {0xff9a /* KP_Prior */, 159, 0},
    {KS_BACKSPACE, 223, 0}, {KS_TAB, 219, 0}, {KS_LEFT_TAB, 219, 0}, {KS_RETURN, 220, 0},
    {KS_ESCAPE, 218, 0}, {' ', 221, 0}, {KS_DELETE, 224, 0},
    {KS_HOME, 167, 0}, {KS_END, 170, 0}, {KS_PAGE_UP, 168, 0}, {KS_PAGE_DOWN, 169, 0},
    {KS_LEFT, 137, 0}, {KS_DOWN, 138, 0}, {KS_RIGHT, 139, 0}, {KS_UP, 140, 0},
    {'\'', 228, 0}, {',', 227, 0}, {'-', 230, 0}, {'.', 226, 0}, {'/', 232, 0}, {';', 225, 0},
    {'=', 234, 0}, {'[', 235, 0}, {'\\', 233, 0}, {']', 236, 0}, {'`', 229, 0},
    {'"', KEY_SHIFTED_CHAR, 0}, {'*', KEY_SHIFTED_CHAR, 0}, {'+', KEY_SHIFTED_CHAR, 0},
    {':', KEY_SHIFTED_CHAR, 0}, {'<', KEY_SHIFTED_CHAR, 0}, {'>', KEY_SHIFTED_CHAR, 0},
    {'_', KEY_SHIFTED_CHAR, 0}, {'{', KEY_SHIFTED_CHAR, 0}, {'|', KEY_SHIFTED_CHAR, 0},
    {'}', KEY_SHIFTED_CHAR, 0}, {'~', KEY_SHIFTED_CHAR, 0},
    {KS_NUM_LOCK, KEY_OTHER_CHAR, 0}, {KS_KP_EQUAL, KEY_OTHER_CHAR, 0},
    {KS_AUDIO_LOWER, KEY_OTHER_CHAR, 0}, {KS_AUDIO_MUTE, KEY_OTHER_CHAR, 0}, {KS_AUDIO_RAISE, KEY_OTHER_CHAR, 0},
    {KS_SHIFT_L, KEY_SHIFT_LEFT, QUAL_SHIFT}, {KS_SHIFT_R, KEY_SHIFT_RIGHT, QUAL_SHIFT},
    {KS_SUPER_L, KEY_CONTROL_LEFT, QUAL_CONTROL}, {KS_SUPER_R, KEY_CONTROL_RIGHT, QUAL_CONTROL},
    {KS_ALT_L, KEY_OPTION_LEFT, QUAL_OPTION}, {KS_META_L, KEY_OPTION_LEFT, QUAL_OPTION},
    {KS_ALT_R, KEY_OPTION_RIGHT, QUAL_OPTION}, {KS_META_R, KEY_OPTION_RIGHT, QUAL_OPTION},
    {KS_ALTGR, KEY_OPTION_RIGHT, QUAL_OPTION},
    {KS_CONTROL_L, KEY_COMMAND, QUAL_COMMAND}, {KS_CONTROL_R, KEY_COMMAND, QUAL_COMMAND},
    {KS_JIS_UNDERSCORE, 173, 0},
};

// Codes released, in this order, when a window loses the keyboard. The
// Command key (Ctrl here) is released last: it is the key most often held
// while switching away, and a controller must not see it stuck down.
constexpr uint16_t kReleasedOnDeactivate[] = {KEY_CONTROL_LEFT, KEY_CONTROL_RIGHT, KEY_SHIFT_LEFT, KEY_SHIFT_RIGHT,
                                              KEY_OPTION_LEFT, KEY_OPTION_RIGHT, KEY_COMMAND};

struct sSend {
    _sWindow *w;
    void operator()(uint16_t code, int32_t value, char key = 0, const char *text = nullptr) const {
        if (w->handler) w->handler(w, w->user, code, value, key, text);
    }
};

void mouseTo(_sWindow *w, int screenX, int screenY, const sSend &send) {
    int32_t x = screenX - w->clientLeft;
    int32_t y = screenY - w->clientTop;
    w->prevMouseX = w->mouseX;
    w->prevMouseY = w->mouseY;
    w->mouseX = x;
    w->mouseY = y;
    w->mouseDeltaX = x - w->prevMouseX;
    w->mouseDeltaY = y - w->prevMouseY;
    send(WEV_MOUSE_X, x & 0xFFFF);
    send(WEV_MOUSE_Y, y & 0xFFFF);
}

// Button number to (code, bit); false for buttons the program has no use for.
bool buttonCode(int button, uint16_t *code, uint32_t *bit) {
    switch (button) {
    case OS_BUTTON_LEFT: *code = WEV_MOUSE_LEFT; *bit = BUT_LEFT; return true;
    case OS_BUTTON_MIDDLE: *code = WEV_MOUSE_MIDDLE; *bit = BUT_MIDDLE; return true;
    case OS_BUTTON_RIGHT: *code = WEV_MOUSE_RIGHT; *bit = BUT_RIGHT; return true;
    default: return false;
    }
}

void viewCommand(int code) {
    uint32_t &f = G.viewFlag;
    auto order = [&](bool byNumber) {
        f = (f & ~(VIEW_LIST_BY_NUMBER | VIEW_LIST_BY_NAME)) | (byNumber ? VIEW_LIST_BY_NUMBER : VIEW_LIST_BY_NAME);
        ghostMenuCheck(MENU_VIEW_BY_NUMBER, byNumber);
        ghostMenuCheck(MENU_VIEW_BY_NAME, !byNumber);
    };
    switch (code) {
    case MENU_VIEW_BY_NUMBER: order(!(f & VIEW_LIST_BY_NUMBER)); break;
    case MENU_VIEW_BY_NAME: order((f & VIEW_LIST_BY_NAME) != 0); break;
    case MENU_VIEW_CATEGORIES:
        f ^= VIEW_SHOW_CATEGORIES;
        ghostMenuCheck(code, f & VIEW_SHOW_CATEGORIES);
        break;
    case MENU_VIEW_AUTO_PLAY:
        f ^= VIEW_AUTO_PLAY;
        ghostMenuCheck(code, f & VIEW_AUTO_PLAY);
        break;
    default: break;
    }
}

void keyEvent(_sWindow *w, const sOsEvent *ev, const sSend &send) {
    bool down = ev->number == OSEV_KEY_DOWN;
    uint32_t qual = 0;
    int code = ghostKeyTranslate(ev->keysym, ev->text[0] != 0, &qual);
    if (code == 0) return;
    // Ctrl+Q quits through the menu; the key itself is not passed on.
    if (down && code == 'q' && (w->keyQual & QUAL_COMMAND)) return;
    if (qual) {
        if (down) w->keyQual |= qual;
        else w->keyQual &= ~qual;
    }
    send(static_cast<uint16_t>(code), down ? 1 : 0, ghostKeyChar(ev->text));
}

}  // namespace

void ghostDragRelease(void) {
    ghostPathsFree(gDragPaths, gDragCount);
    gDragPaths = nullptr;
    gDragCount = 0;
}

int ghostDragCount(void) { return gDragCount; }

const char *ghostDragCount(int i) { return (i >= 0 && i < gDragCount) ? gDragPaths[i] : nullptr; }

int ghostKeyTranslate(uint32_t keysym, int hasText, uint32_t *qual) {
    if (qual) *qual = 0;
    if (keysym >= 'a' && keysym <= 'z') return static_cast<int>(keysym);
    if (keysym >= 'A' && keysym <= 'Z') return static_cast<int>(keysym - 'A' + 'a');
    if (keysym >= '0' && keysym <= '9') return static_cast<int>(keysym);
    if (keysym >= KS_KP_0 && keysym <= KS_KP_9) return static_cast<int>(150 + keysym - KS_KP_0);
    if (keysym >= KS_F1 && keysym <= KS_F12) return static_cast<int>(300 + keysym - KS_F1);
    for (const sKeyRow &row : kKeyTable)
        if (row.keysym == keysym) {
            if (qual) *qual = row.qual;
            return row.code;
        }
    // Any other Latin-1 character, or a key that typed something.
    if ((keysym > 0x20 && keysym < 0x7F) || (keysym >= 0xA0 && keysym <= 0xFF)) return KEY_OTHER_CHAR;
    return hasText ? KEY_OTHER_CHAR : 0;
}

char ghostKeyChar(const char *text) {
    if (!text || !text[0]) return 0;
    const unsigned char *s = reinterpret_cast<const unsigned char *>(text);
    if (s[0] < 0x80) return static_cast<char>(s[0]);
    // A two-byte sequence up to U+00FF is a Latin-1 character; anything else has none.
    if ((s[0] == 0xC2 || s[0] == 0xC3) && (s[1] & 0xC0) == 0x80)
        return static_cast<char>(((s[0] & 0x1F) << 6) | (s[1] & 0x3F));
    return 0;
}

void ghostModifiersResync(_sWindow *window, uint32_t heldQual) {
    if (!window) return;
    struct {
        uint32_t bits;
        uint32_t keysym;
    } const kMods[] = {{QUAL_SHIFT, KS_SHIFT_L}, {QUAL_CONTROL, KS_SUPER_L}, {QUAL_OPTION, KS_ALT_L},
                       {QUAL_COMMAND, KS_CONTROL_L}};
    for (const auto &m : kMods) {
        bool was = (window->keyQual & m.bits) != 0;
        bool now = (heldQual & m.bits) != 0;
        if (was == now) continue;
        sOsEvent ev{};
        ev.number = now ? OSEV_KEY_DOWN : OSEV_KEY_UP;
        ev.osWindow = window->osWindow;
        ev.keysym = m.keysym;
        windowProc(&ev, nullptr);
    }
}

int windowProc(const sOsEvent *ev, void *user) {
    (void)user;
    if (!ev || ev->number <= 0 || ev->number > OSEV_LAST) return 1;
    _sWindow *w = ghostWindowFromOs(ev->osWindow);
    if (!w) return 1;
    sSend send{w};

    switch (ev->number) {
    case OSEV_MOUSE_MOVE:
        if (w->active) mouseTo(w, ev->x, ev->y, send);
        break;
    case OSEV_DRAG_POSITION: mouseTo(w, ev->x, ev->y, send); break;
    case OSEV_BUTTON_DOWN:
    case OSEV_BUTTON_UP: {
        uint16_t code;
        uint32_t bit;
        if (!buttonCode(ev->button, &code, &bit)) break;
        if (ev->x >= 0 && ev->y >= 0) mouseTo(w, ev->x, ev->y, send);
        bool down = ev->number == OSEV_BUTTON_DOWN;
        if (down) w->mouseBut |= bit;
        else w->mouseBut &= ~bit;
        send(code, down ? 1 : 0);
        break;
    }
    case OSEV_DOUBLE_CLICK: {
        uint16_t code;
        uint32_t bit;
        if (buttonCode(ev->button, &code, &bit)) send(code, 2);
        break;
    }
    case OSEV_WHEEL: send(ev->amount > 0 ? WEV_WHEEL_UP : WEV_WHEEL_DOWN, 1); break;
    case OSEV_KEY_DOWN:
    case OSEV_KEY_UP: keyEvent(w, ev, send); break;
    case OSEV_DRAG_ENTER:
        dragReplace(ev->paths, ev->pathCount);
        send(WEV_DRAG_ENTER, 1);
        break;
    case OSEV_DRAG_OVER: send(WEV_DRAG_OVER, 1); break;
    case OSEV_DRAG_LEAVE:
        ghostDragRelease();
        send(WEV_DRAG_LEAVE, 1);
        break;
    case OSEV_DROP: send(WEV_DROP, 1); break;
    case OSEV_CLOSE_BOX: send(WEV_CLOSE_BOX, 1); break;
    case OSEV_ACTIVATED:
        w->active = 1;
        w->mouseX = w->mouseY = 0;
        send(WEV_ACTIVATION, 1);
        break;
    case OSEV_DEACTIVATED:
        for (uint16_t code : kReleasedOnDeactivate) send(code, 0);
        w->keyQual = 0;
        w->active = 0;
        w->mouseX = w->mouseY = 0;
        send(WEV_ACTIVATION, 0);
        break;
    case OSEV_NEEDS_REDRAW:
        if (!w->redrawSent) {
            w->redrawSent = 1;
            send(WEV_REDRAW, 1);
        }
        break;
    case OSEV_RESIZED:
    case OSEV_MOVED:
        // A move changes where the client area sits on the screen too, and
        // mouse positions are converted against it, so both re-read it.
        ghostWindowRefreshGeometry(w, true);
        if (w->clientWidth <= 0 || w->clientHeight <= 0) break;
        send(ev->number == OSEV_RESIZED ? WEV_RESIZED : WEV_MOVED, 1);
        break;
    case OSEV_TEXT_INPUT:
        if (ev->pathCount > 0 && ev->paths && ev->paths[0] && ev->paths[0][0]) send(WEV_TEXT_INPUT, 1, 0, ev->paths[0]);
        break;
    case OSEV_OPEN_DOCUMENTS:
        for (int i = 0; i < ev->pathCount; i++)
            if (ev->paths && ev->paths[i]) send(WEV_OPEN_FILE, 1, 0, ev->paths[i]);
        break;
    case OSEV_STORAGE_DIALOG_CLOSED: send(WEV_STORAGE_SELECTED, ev->amount); break;
    default:
        if (ev->number >= OSEV_MENU_FIRST && ev->number <= OSEV_MENU_LAST) {
            int code = ev->number - OSEV_MENU_FIRST + int(WEV_MENU_FIRST);
            viewCommand(code);
            send(static_cast<uint16_t>(code), 1);
        }
        break;
    }
    return 1;
}
