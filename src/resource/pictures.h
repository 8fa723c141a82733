// pictures: the table of the resource pack's 103 pictures.
//
// Entry N of pack.bin is picture N of this table: a TGA picture, uncompressed
// true colour, 24 bits (blue, green, red) or 32 bits (blue, green, red, alpha),
// bottom row first, of exactly the size given here. The main window's screen
// loads entries 0 to 101 into texture slots 0 to 101; every other screen loads
// 0 to 102. Number 103 is no picture: fileGetPtr(103) is the string table.
//
// The pack builder (tools/packgen.cpp) renders each picture from its source
// under resources/pictures/ and refuses a render of another size; `kvb-pack
// check` holds a pack against this table. The screens place their pictures at
// `x`, `y` where the main background and the dialog backgrounds leave room for
// them (-1: the widget or frame places it).
//
// The main background is drawn for this layout (window pixels, y down):
//   header (30, 15) 360 x 48, its buttons at its right end;
//   wave list (30, 75) 344 x 440: 22 rows of 20, scroll bar (374, 75) 16 x 440;
//   kit selector (410, 15) 360 x 48;
//   pads (410, 75): 3 x 3 pads of 112 x 68, 12 apart;
//   further pads (410, 315): 2 rows of 3 pads of 112 x 46, 12 apart;
//   player (410, 431) 360 x 112; exit button (674, 555).
// Text over the pictures: light text (white, grey 0.9, the orange of new
// waves) on the dark panels, fields and tinted rows; black on the light
// buttons, fields and pop-up rows. The build checks each pairing at 4.5:1.
//
// Pictures a sprite tints (list rows, pop-up rows, glyph sheets, marks) are
// drawn light or white so that the sprite's colour decides the shade; the
// rest carry their own colours. A 32-bit picture is transparent outside its
// shape. Button pictures come in pairs, released then pressed; a pressed
// picture differs by more than colour (it is inset: a darker rim, content one
// pixel lower), and a toggle's "on" pair carries a lit mark the "off" pair
// lacks.
#pragma once

#include <cstdint>

// Numbers of the pack's entries (`eFILE`). Pairs are released,
// pressed; the glyph sheets are grids of `columns` x `rows` cells.
enum eFILE : int {
    eFILE_SLIDER_KNOB = 0,        // slider and scroll-bar knob; stretches by its middle
    eFILE_CELL_FONT = 1,          // cell-font sheet: characters 32-127, 16 x 6 cells
    eFILE_TEXTURE_FONT = 2,       // texture-font sheet: characters 32-127, 16 x 6 cells
    eFILE_SYMBOLS = 3,            // symbol sheet: 24 symbols, 8 x 3 cells
    eFILE_MAIN_BG = 4,            // main window background
    eFILE_HEADER = 5,             // header panel: file count text, two buttons
    eFILE_NEW_CATEGORY = 6,       // new-category button (6 released, 7 pressed)
    eFILE_IMPORT = 8,             // wave-import button (8, 9)
    eFILE_PLAY = 10,              // play button: idle (10, 11), playing (12, 13)
    eFILE_EXIT = 14,              // exit button (14, 15)
    eFILE_STOP = 16,              // stop button (16, 17)
    eFILE_LOOP = 18,              // loop toggle: off (18, 19), on (20, 21)
    eFILE_PLAYER_PANEL = 22,      // player panel
    eFILE_TIMEBAR_TRACK = 23,     // time bar's track (horizontal)
    eFILE_PAD = 24,               // pad of the first nine (24, 25)
    eFILE_EXPAD = 26,             // pad of the further six (26, 27)
    eFILE_PAD_SELECTED = 28,      // ring over the selected pad
    eFILE_EXPAD_SELECTED = 29,    // ring over the selected further pad
    eFILE_KIT_PANEL = 30,         // kit selector panel
    eFILE_SPIN_UP = 31,           // spinner's up step (31, 32)
    eFILE_SPIN_DOWN = 33,         // spinner's down step (33, 34)
    eFILE_NAME_FIELD = 35,        // kit name field (8 characters)
    eFILE_SUBNAME_FIELD = 36,     // kit sub-name field (16 characters)
    eFILE_NUMBER_FIELD = 37,      // kit number field
    eFILE_SCROLL_TRACK = 38,      // wave list's scroll-bar track
    eFILE_SCROLL_UP = 39,         // scroll arrow up (39, 40)
    eFILE_SCROLL_DOWN = 41,       // scroll arrow down (41, 42)
    eFILE_SCROLL_TRACK_SHORT = 43,// pop-up and category list scroll-bar track
    eFILE_MARK_CLOSED = 44,       // category row mark: closed (tinted)
    eFILE_MARK_OPEN = 45,         // category row mark: open (tinted)
    eFILE_KIT_MARK = 46,          // wave row mark: used by a kit; opens the kit list
    eFILE_TEXT_FIELD = 47,        // dialog name field
    eFILE_DROP_LINE = 48,         // where dragged rows will land
    eFILE_OK = 49,                // OK button (49, 50)
    eFILE_CANCEL = 51,            // Cancel button (51, 52)
    eFILE_DIALOG_SMALL_BG = 53,   // background of the 280 x 170 windows
    eFILE_BAR_FILL = 54,          // progress bar's moving part
    eFILE_BAR_BACK = 55,          // progress bar's trough
    eFILE_BAR_EDGE = 56,          // leading edge of the moving part
    eFILE_BAR_FRAME = 57,         // outline drawn over the bar
    eFILE_DELETE = 58,            // Delete button (58, 59)
    eFILE_BROWSE = 60,            // Browse button (60, 61)
    eFILE_CURSOR_CATEGORY = 62,   // drag cursor: a category (hot spot 3, 3)
    eFILE_CURSOR_WAVE = 63,       // drag cursor: a wave (hot spot 3, 3)
    eFILE_EDIT_LARGE = 64,        // cell-font edit field
    eFILE_EDIT_SMALL = 65,        // short edit field
    eFILE_CHOOSER = 66,           // drop-down field that opens the pop-up list
    eFILE_KNOB = 67,              // rotary knob
    eFILE_CATEGORY_ROW = 68,      // category window's list row (tinted)
    eFILE_ADD = 69,               // add button (69, 70)
    eFILE_MOVE_UP = 71,           // move-up button (71, 72)
    eFILE_MOVE_DOWN = 73,         // move-down button (73, 74)
    eFILE_POPUP_ROW = 75,         // pop-up list row: a category (tinted)
    eFILE_POPUP_ROW_NEW = 76,     // pop-up list row: "Create New Category" (tinted)
    eFILE_POPUP_ROW_KIT = 77,     // pop-up list row: a kit (tinted)
    eFILE_POPUP_OPEN_MARK = 78,   // pop-up row mark: category open in the list
    eFILE_PROGRESS_BG = 79,       // progress window background
    eFILE_IMPORT_ROW = 80,        // wave import window's file row (tinted)
    eFILE_LISTEDIT = 81,          // drop-down value field
    eFILE_LISTEDIT_HIGHLIGHT = 82,// its highlight bar
    eFILE_RADIO_MARK = 83,        // option marker
    eFILE_RADIO_OPTIONS = 84,     // option bar
    eFILE_GROUP = 85,             // group button member (85, 86)
    eFILE_LABEL_BG = 87,          // label background
    eFILE_PAD_FOCUS = 88,         // keyboard focus ring over a pad
    eFILE_TIMEBAR_KNOB = 89,      // time bar's knob
    eFILE_LIST_ROW = 90,          // wave list row (tinted)
    eFILE_DIGITS = 91,            // cell font type 0: 0-9 + -, 12 x 1 cells
    eFILE_DIGIT_PANEL = 92,       // panel behind a digit field
    eFILE_DIGITS_BOLD = 93,       // cell font type 1: 0-9 + -, 12 x 1 cells
    eFILE_DIGITS_SMALL = 94,      // cell font type 3: 0-9, 10 x 1 cells
    eFILE_LETTERS = 95,           // cell font type 4: A-H, 8 x 1 cells
    eFILE_BUTTON = 96,            // plain caption button (96, 97)
    eFILE_RADIO = 98,             // option group's main picture
    eFILE_SLIDER_TRACK = 99,      // vertical slider's track
    eFILE_SLIDER_FILL = 100,      // vertical slider's filled part
    eFILE_ROW_FOCUS = 101,        // keyboard focus outline over a list row
    eFILE_DIALOG_BG = 102,        // background of the 512 x 170 windows
    eFILE_STRING_TABLE = 103,     // not a picture: the string table (fileGetPtr)
};

// Number of pictures in the pack.
constexpr int kPictureCount = 103;
// Pictures the main window loads (0 to 101).
constexpr int kPictureCountMain = 102;

// The screens a picture appears on.
enum : uint32_t {
    SCREEN_MAIN = 1u << 0,
    SCREEN_WAVEEDIT = 1u << 1,
    SCREEN_WAVEIMPORT = 1u << 2,
    SCREEN_CATEGORY = 1u << 3,
    SCREEN_KIT = 1u << 4,
    SCREEN_POPUP = 1u << 5,
    SCREEN_PROGRESS = 1u << 6,
    SCREEN_DIALOGS = SCREEN_WAVEEDIT | SCREEN_WAVEIMPORT | SCREEN_CATEGORY | SCREEN_KIT,
    SCREEN_ALL = 0x7Fu,
};

// One entry of the table.
struct sPicture {
    int id;            // entry number (eFILE)
    const char *name;  // short name: the source's name and `kvb-pack extract`'s file name
    const char *use;   // what the picture is for, one line
    uint16_t width;    // size in pixels
    uint16_t height;
    uint8_t bits;      // 24 (opaque) or 32 (with alpha)
    uint8_t columns;   // glyph sheets: cells across; 1 for other pictures
    uint8_t rows;      // glyph sheets: cells down; 1 for other pictures
    uint32_t screens;  // SCREEN_* bits
    int16_t x, y;      // top-left corner on its screen where fixed, else -1
};

// clang-format off
constexpr sPicture kPictures[kPictureCount] = {
    {0, "slider_knob", "slider and scroll-bar knob", 24, 14, 32, 1, 1, SCREEN_ALL, -1, -1},
    {1, "cell_font", "cell-font sheet, characters 32-127", 512, 192, 32, 16, 6, SCREEN_ALL, -1, -1},
    {2, "texture_font", "texture-font sheet, characters 32-127", 512, 192, 32, 16, 6, SCREEN_ALL, -1, -1},
    {3, "symbols", "symbol sheet, 24 symbols", 256, 96, 32, 8, 3, SCREEN_ALL, -1, -1},
    {4, "main_bg", "main window background", 800, 600, 24, 1, 1, SCREEN_MAIN, 0, 0},
    {5, "header", "header panel", 360, 48, 32, 1, 1, SCREEN_MAIN, 30, 15},
    {6, "new_category", "new-category button, released", 32, 32, 32, 1, 1, SCREEN_MAIN, 312, 23},
    {7, "new_category_down", "new-category button, pressed", 32, 32, 32, 1, 1, SCREEN_MAIN, 312, 23},
    {8, "import", "wave-import button, released", 32, 32, 32, 1, 1, SCREEN_MAIN, 352, 23},
    {9, "import_down", "wave-import button, pressed", 32, 32, 32, 1, 1, SCREEN_MAIN, 352, 23},
    {10, "play", "play button, idle, released", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {11, "play_down", "play button, idle, pressed", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {12, "playing", "play button, playing, released", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {13, "playing_down", "play button, playing, pressed", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {14, "exit", "exit button, released", 96, 30, 32, 1, 1, SCREEN_MAIN, 674, 555},
    {15, "exit_down", "exit button, pressed", 96, 30, 32, 1, 1, SCREEN_MAIN, 674, 555},
    {16, "stop", "stop button, released", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {17, "stop_down", "stop button, pressed", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {18, "loop_off", "loop toggle, off, released", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {19, "loop_off_down", "loop toggle, off, pressed", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {20, "loop_on", "loop toggle, on, released", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {21, "loop_on_down", "loop toggle, on, pressed", 40, 32, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {22, "player_panel", "player panel", 360, 112, 32, 1, 1, SCREEN_MAIN, 410, 431},
    {23, "timebar_track", "time bar track", 220, 8, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {24, "pad", "pad, released", 112, 68, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {25, "pad_down", "pad, pressed", 112, 68, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {26, "expad", "further pad, released", 112, 46, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {27, "expad_down", "further pad, pressed", 112, 46, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {28, "pad_selected", "ring over the selected pad", 112, 68, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {29, "expad_selected", "ring over the selected further pad", 112, 46, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {30, "kit_panel", "kit selector panel", 360, 48, 32, 1, 1, SCREEN_MAIN, 410, 15},
    {31, "spin_up", "spinner up step, released", 18, 14, 32, 1, 1, SCREEN_ALL, -1, -1},
    {32, "spin_up_down", "spinner up step, pressed", 18, 14, 32, 1, 1, SCREEN_ALL, -1, -1},
    {33, "spin_down", "spinner down step, released", 18, 14, 32, 1, 1, SCREEN_ALL, -1, -1},
    {34, "spin_down_down", "spinner down step, pressed", 18, 14, 32, 1, 1, SCREEN_ALL, -1, -1},
    {35, "name_field", "kit name field", 100, 24, 32, 1, 1, SCREEN_MAIN | SCREEN_KIT, -1, -1},
    {36, "subname_field", "kit sub-name field", 160, 24, 32, 1, 1, SCREEN_MAIN | SCREEN_KIT, -1, -1},
    {37, "number_field", "kit number field", 44, 28, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {38, "scroll_track", "wave list scroll-bar track", 16, 440, 32, 1, 1, SCREEN_MAIN, 374, 75},
    {39, "scroll_up", "scroll arrow up, released", 16, 16, 32, 1, 1, SCREEN_MAIN | SCREEN_POPUP | SCREEN_CATEGORY, -1, -1},
    {40, "scroll_up_down", "scroll arrow up, pressed", 16, 16, 32, 1, 1, SCREEN_MAIN | SCREEN_POPUP | SCREEN_CATEGORY, -1, -1},
    {41, "scroll_down", "scroll arrow down, released", 16, 16, 32, 1, 1, SCREEN_MAIN | SCREEN_POPUP | SCREEN_CATEGORY, -1, -1},
    {42, "scroll_down_down", "scroll arrow down, pressed", 16, 16, 32, 1, 1, SCREEN_MAIN | SCREEN_POPUP | SCREEN_CATEGORY, -1, -1},
    {43, "scroll_track_short", "pop-up and category list scroll-bar track", 16, 100, 32, 1, 1, SCREEN_POPUP | SCREEN_CATEGORY, -1, -1},
    {44, "mark_closed", "category mark, closed", 12, 12, 32, 1, 1, SCREEN_MAIN | SCREEN_CATEGORY, -1, -1},
    {45, "mark_open", "category mark, open", 12, 12, 32, 1, 1, SCREEN_MAIN | SCREEN_CATEGORY, -1, -1},
    {46, "kit_mark", "wave used by a kit", 14, 12, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {47, "text_field", "dialog name field", 200, 24, 32, 1, 1, SCREEN_DIALOGS, -1, -1},
    {48, "drop_line", "drop position line", 344, 3, 32, 1, 1, SCREEN_MAIN | SCREEN_CATEGORY, -1, -1},
    {49, "ok", "OK button, released", 80, 28, 32, 1, 1, SCREEN_DIALOGS, -1, -1},
    {50, "ok_down", "OK button, pressed", 80, 28, 32, 1, 1, SCREEN_DIALOGS, -1, -1},
    {51, "cancel", "Cancel button, released", 80, 28, 32, 1, 1, SCREEN_DIALOGS | SCREEN_PROGRESS, -1, -1},
    {52, "cancel_down", "Cancel button, pressed", 80, 28, 32, 1, 1, SCREEN_DIALOGS | SCREEN_PROGRESS, -1, -1},
    {53, "dialog_small_bg", "background of the 280 x 170 windows", 280, 170, 24, 1, 1, SCREEN_WAVEEDIT | SCREEN_KIT, 0, 0},
    {54, "bar_fill", "progress bar moving part", 200, 28, 32, 1, 1, SCREEN_PROGRESS, -1, -1},
    {55, "bar_back", "progress bar trough", 200, 28, 32, 1, 1, SCREEN_PROGRESS, -1, -1},
    {56, "bar_edge", "progress bar leading edge", 8, 28, 32, 1, 1, SCREEN_PROGRESS, -1, -1},
    {57, "bar_frame", "progress bar outline", 200, 28, 32, 1, 1, SCREEN_PROGRESS, -1, -1},
    {58, "delete", "Delete button, released", 80, 28, 32, 1, 1, SCREEN_WAVEEDIT | SCREEN_CATEGORY, -1, -1},
    {59, "delete_down", "Delete button, pressed", 80, 28, 32, 1, 1, SCREEN_WAVEEDIT | SCREEN_CATEGORY, -1, -1},
    {60, "browse", "Browse button, released", 80, 28, 32, 1, 1, SCREEN_WAVEIMPORT, -1, -1},
    {61, "browse_down", "Browse button, pressed", 80, 28, 32, 1, 1, SCREEN_WAVEIMPORT, -1, -1},
    {62, "cursor_category", "drag cursor, category", 32, 32, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {63, "cursor_wave", "drag cursor, wave", 32, 32, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {64, "edit_large", "cell-font edit field", 50, 25, 32, 1, 1, SCREEN_ALL, -1, -1},
    {65, "edit_small", "short edit field", 34, 20, 32, 1, 1, SCREEN_ALL, -1, -1},
    {66, "chooser", "drop-down field opening the pop-up list", 160, 24, 32, 1, 1, SCREEN_WAVEEDIT | SCREEN_WAVEIMPORT, -1, -1},
    {67, "knob", "rotary knob", 40, 40, 32, 1, 1, SCREEN_WAVEIMPORT, -1, -1},
    {68, "category_row", "category window list row", 200, 20, 24, 1, 1, SCREEN_CATEGORY, -1, -1},
    {69, "add", "add button, released", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {70, "add_down", "add button, pressed", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {71, "move_up", "move-up button, released", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {72, "move_up_down", "move-up button, pressed", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {73, "move_down", "move-down button, released", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {74, "move_down_down", "move-down button, pressed", 32, 28, 32, 1, 1, SCREEN_CATEGORY, -1, -1},
    {75, "popup_row", "pop-up row, category", 160, 20, 24, 1, 1, SCREEN_POPUP, -1, -1},
    {76, "popup_row_new", "pop-up row, create new category", 160, 20, 24, 1, 1, SCREEN_POPUP, -1, -1},
    {77, "popup_row_kit", "pop-up row, kit", 60, 20, 24, 1, 1, SCREEN_POPUP, -1, -1},
    {78, "popup_open_mark", "pop-up row mark, category open", 10, 10, 32, 1, 1, SCREEN_POPUP, -1, -1},
    {79, "progress_bg", "progress window background", 300, 100, 24, 1, 1, SCREEN_PROGRESS, 0, 0},
    {80, "import_row", "wave import file row", 300, 20, 24, 1, 1, SCREEN_WAVEIMPORT, -1, -1},
    {81, "listedit", "drop-down value field", 100, 20, 32, 1, 1, SCREEN_ALL, -1, -1},
    {82, "listedit_highlight", "drop-down highlight bar", 100, 16, 32, 1, 1, SCREEN_ALL, -1, -1},
    {83, "radio_mark", "option marker", 12, 12, 32, 1, 1, SCREEN_ALL, -1, -1},
    {84, "radio_options", "option bar", 100, 70, 32, 1, 1, SCREEN_ALL, -1, -1},
    {85, "group", "group button member, released", 40, 24, 32, 1, 1, SCREEN_ALL, -1, -1},
    {86, "group_down", "group button member, pressed", 40, 24, 32, 1, 1, SCREEN_ALL, -1, -1},
    {87, "label_bg", "label background", 120, 20, 32, 1, 1, SCREEN_ALL, -1, -1},
    {88, "pad_focus", "keyboard focus ring over a pad", 116, 72, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {89, "timebar_knob", "time bar knob", 12, 20, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {90, "list_row", "wave list row", 344, 20, 24, 1, 1, SCREEN_MAIN, -1, -1},
    {91, "digits", "cell font type 0: 0-9 + -", 192, 24, 32, 12, 1, SCREEN_ALL, -1, -1},
    {92, "digit_panel", "panel behind a digit field", 64, 28, 32, 1, 1, SCREEN_ALL, -1, -1},
    {93, "digits_bold", "cell font type 1: 0-9 + -", 192, 24, 32, 12, 1, SCREEN_ALL, -1, -1},
    {94, "digits_small", "cell font type 3: 0-9", 100, 16, 32, 10, 1, SCREEN_ALL, -1, -1},
    {95, "letters", "cell font type 4: A-H", 128, 24, 32, 8, 1, SCREEN_ALL, -1, -1},
    {96, "button", "plain caption button, released", 80, 28, 32, 1, 1, SCREEN_ALL, -1, -1},
    {97, "button_down", "plain caption button, pressed", 80, 28, 32, 1, 1, SCREEN_ALL, -1, -1},
    {98, "radio", "option group", 100, 15, 32, 1, 1, SCREEN_ALL, -1, -1},
    {99, "slider_track", "vertical slider track", 25, 70, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {100, "slider_fill", "vertical slider filled part", 25, 70, 32, 1, 1, SCREEN_MAIN | SCREEN_WAVEIMPORT, -1, -1},
    {101, "row_focus", "keyboard focus outline over a list row", 344, 20, 32, 1, 1, SCREEN_MAIN, -1, -1},
    {102, "dialog_bg", "background of the 512 x 170 windows", 512, 170, 24, 1, 1, SCREEN_WAVEIMPORT | SCREEN_CATEGORY, 0, 0},
};
// clang-format on

// Hot spot of the drag cursors 62 and 63.
constexpr int kCursorHotX = 3;
constexpr int kCursorHotY = 3;

// Returns the entry of picture `id`, or null outside 0 to 102.
constexpr const sPicture *pictureGet(int id) {
    return id >= 0 && id < kPictureCount ? &kPictures[id] : nullptr;
}

// The table lists each picture once, in number order.
static_assert([] {
    for (int i = 0; i < kPictureCount; ++i)
        if (kPictures[i].id != i || (kPictures[i].bits != 24 && kPictures[i].bits != 32)) return false;
    return true;
}());
