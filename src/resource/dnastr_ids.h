// dnastr_ids: the numbers of the string table's texts.
//
// Every text a user sees is named by one of these numbers; the table file of
// each language holds the text of number n as its n-th string. Numbers are
// fixed by the program's callers and never reused. This header has no code, so
// the build-time table generator can check its sources against the same list.
#pragma once

#include <cstdint>

enum eDNASTR : int {
    DNASTR_ABOUT_TEXT = 0,                // the about box's message
    DNASTR_STORAGE_SELECT_TITLE = 4,      // title of the card chooser
    DNASTR_MENU_FILE = 5,                 // the application menu and the File menu
    DNASTR_MENU_WAVE_IMPORT = 7,
    DNASTR_MENU_WAVE_EXPORT = 8,
    DNASTR_MENU_BACKUP_SAVE = 9,
    DNASTR_MENU_BACKUP_RESTORE = 10,
    DNASTR_MENU_EXIT = 11,
    DNASTR_MENU_VIEW = 12,
    DNASTR_MENU_ORDER_NUMBER = 13,
    DNASTR_MENU_ORDER_ALPHABET = 14,
    DNASTR_MENU_SHOW_TAG = 15,
    DNASTR_MENU_AUTO_PLAY = 16,
    DNASTR_MENU_EDIT = 17,
    DNASTR_MENU_PAD = 18,
    DNASTR_MENU_PAD_ASSIGN = 19,
    DNASTR_MENU_PAD_RELEASE = 20,
    DNASTR_MENU_TAG = 21,
    DNASTR_MENU_WAVE = 22,
    DNASTR_MENU_KIT = 23,
    DNASTR_MENU_RENUMBERING = 24,
    DNASTR_MENU_HELP = 25,
    DNASTR_MENU_TOOLS = 26,               // no caller names it yet
    DNASTR_MENU_ABOUT = 27,               // the about item and the about box's title
    DNASTR_MENU_HELP_DOCUMENT = 28,
    DNASTR_POPUP_OPEN_CLOSE = 30,         // context menu items, codes 1024 to 1032
    DNASTR_POPUP_OPEN = 31,
    DNASTR_POPUP_CLOSE = 32,
    DNASTR_POPUP_RENAME = 33,
    DNASTR_POPUP_RENAME_MOVE = 34,
    DNASTR_POPUP_EXPORT = 35,
    DNASTR_POPUP_DELETE = 36,
    DNASTR_POPUP_ASSIGN = 37,
    DNASTR_POPUP_RELEASE = 38,
    DNASTR_PROGRESS_SCAN = 39,            // progress captions
    DNASTR_PROGRESS_IMPORT = 44,
    DNASTR_PROGRESS_EXPORT = 45,
    DNASTR_PROGRESS_RESTORE = 46,
    DNASTR_PROGRESS_BACKUP = 47,
    DNASTR_PROGRESS_RENUMBER = 48,
    DNASTR_PROGRESS_DELETE = 49,
    DNASTR_PROGRESS_SAVE = 50,
    DNASTR_PROGRESS_SAVE_LISTS = 51,
    DNASTR_PROMPT_BACKUP_SAVE = 52,       // folder dialog titles
    DNASTR_PROMPT_BACKUP_RESTORE = 53,
    DNASTR_PROMPT_WAVE_EXPORT = 54,
    DNASTR_TITLE_QUESTION = 55,           // message-box titles
    DNASTR_TITLE_ERROR = 56,
    DNASTR_ASK_DELETE_WAVES = 57,         // questions and notices
    DNASTR_ASK_DELETE_TAGS = 58,
    DNASTR_ASK_PAD_RELEASE = 60,
    DNASTR_ASK_EXIT = 61,
    DNASTR_NOTE_EXIT_SAVE = 62,
    DNASTR_ASK_RESTORE = 63,
    DNASTR_ASK_OVERWRITE_BACKUP = 64,
    DNASTR_ASK_CREATE_DEVICE_FOLDER = 65,
    DNASTR_ASK_CONVERT = 66,              // the import window: convert what the device cannot play?
    DNASTR_ERR_NOT_POSSIBLE = 68,         // errors
    DNASTR_ERR_TAG_LIMIT = 69,
    DNASTR_ERR_LIBRARY_FULL = 70,
    DNASTR_ERR_NO_WAVE_NUMBER = 71,
    DNASTR_ERR_NO_SPACE = 72,
    DNASTR_ERR_FILE_SIZE = 73,            // the five below get "\n\n" and a file name
    DNASTR_ERR_COPY = 74,
    DNASTR_ERR_AUDIO_FORMAT = 75,
    DNASTR_ERR_PATH = 76,
    DNASTR_ERR_DROP_MANY_FILES = 77,
    DNASTR_ERR_DROP_MANY_WAVES = 78,
    DNASTR_ERR_TAG_NAME_USED = 79,
    DNASTR_ERR_NO_BACKUP = 80,
    DNASTR_ERR_BACKUP_FAILED = 81,
    DNASTR_ERR_WAVE_UNREADABLE = 83,      // with "\n\n" and the wave's name
    DNASTR_ERR_WAVE_FORMAT = 84,          // with "\n\n" and the wave's name
    DNASTR_ERR_CARD_GONE = 88,
    DNASTR_ERR_EXPORT_NAME = 89,          // with "\n\n" and the wave's name
    DNASTR_ASK_RESTORE_IN_PLACE = 94,     // no room to stage a restore
    DNASTR_ERR_RESTORE_FAILED = 95,       // with "\n\n" and the reason
    DNASTR_ERR_KIT_WRITE = 100,           // with "\n\n" and the kit's name
    DNASTR_ERR_RENUMBER = 101,            // with "\n\n" and the wave's name
    DNASTR_ERR_WAVE_WRITE = 102,          // with "\n\n" and the wave's name
    DNASTR_ERR_WAVE_DELETE = 103,         // with "\n\n" and the wave's name
    DNASTR_ERR_LIST_WRITE = 104,
    DNASTR_ERR_TAG_WRITE = 105,
    DNASTR_ERR_EXPORT_COPY = 110,         // with "\n\n" and the wave's name
    DNASTR_ERR_IMPORT_CATEGORY = 111,     // with "\n\n" and a file name
    DNASTR_NOTE_SAVED = 112,              // closing: saved, nothing to eject
    DNASTR_ERR_CLOSE_SAVE = 113,          // closing: something could not be saved
    DNASTR_ERR_EJECT = 114,               // closing: the eject was refused
    DNASTR_STORAGE_FOLDER = 115,          // the card chooser's button that opens any folder
    DNASTR_ERR_CARD_OPEN = 116,           // the chosen card or folder cannot be opened
    DNASTR_ASK_FINISH_EDIT = 117,         // an edit a crash cut off is pending on the card
    DNASTR_ERR_CARD_IN_USE = 118,         // another program holds the card's lock
};

// Every number the program shows; each language's table has a non-empty text
// for each of them.
constexpr eDNASTR kDnaStrUsed[] = {
    DNASTR_ABOUT_TEXT, DNASTR_STORAGE_SELECT_TITLE, DNASTR_MENU_FILE, DNASTR_MENU_WAVE_IMPORT,
    DNASTR_MENU_WAVE_EXPORT, DNASTR_MENU_BACKUP_SAVE, DNASTR_MENU_BACKUP_RESTORE, DNASTR_MENU_EXIT,
    DNASTR_MENU_VIEW, DNASTR_MENU_ORDER_NUMBER, DNASTR_MENU_ORDER_ALPHABET, DNASTR_MENU_SHOW_TAG,
    DNASTR_MENU_AUTO_PLAY, DNASTR_MENU_EDIT, DNASTR_MENU_PAD, DNASTR_MENU_PAD_ASSIGN, DNASTR_MENU_PAD_RELEASE,
    DNASTR_MENU_TAG, DNASTR_MENU_WAVE, DNASTR_MENU_KIT, DNASTR_MENU_RENUMBERING, DNASTR_MENU_HELP,
    DNASTR_MENU_TOOLS, DNASTR_MENU_ABOUT, DNASTR_MENU_HELP_DOCUMENT, DNASTR_POPUP_OPEN_CLOSE, DNASTR_POPUP_OPEN,
    DNASTR_POPUP_CLOSE, DNASTR_POPUP_RENAME, DNASTR_POPUP_RENAME_MOVE, DNASTR_POPUP_EXPORT, DNASTR_POPUP_DELETE,
    DNASTR_POPUP_ASSIGN, DNASTR_POPUP_RELEASE, DNASTR_PROGRESS_SCAN, DNASTR_PROGRESS_IMPORT,
    DNASTR_PROGRESS_EXPORT, DNASTR_PROGRESS_RESTORE, DNASTR_PROGRESS_BACKUP, DNASTR_PROGRESS_RENUMBER,
    DNASTR_PROGRESS_DELETE, DNASTR_PROGRESS_SAVE, DNASTR_PROGRESS_SAVE_LISTS, DNASTR_PROMPT_BACKUP_SAVE,
    DNASTR_PROMPT_BACKUP_RESTORE, DNASTR_PROMPT_WAVE_EXPORT, DNASTR_TITLE_QUESTION, DNASTR_TITLE_ERROR,
    DNASTR_ASK_DELETE_WAVES, DNASTR_ASK_DELETE_TAGS, DNASTR_ASK_PAD_RELEASE, DNASTR_ASK_EXIT,
    DNASTR_NOTE_EXIT_SAVE, DNASTR_ASK_RESTORE, DNASTR_ASK_OVERWRITE_BACKUP, DNASTR_ASK_CREATE_DEVICE_FOLDER, DNASTR_ASK_CONVERT,
    DNASTR_ERR_NOT_POSSIBLE, DNASTR_ERR_TAG_LIMIT, DNASTR_ERR_LIBRARY_FULL, DNASTR_ERR_NO_WAVE_NUMBER,
    DNASTR_ERR_NO_SPACE, DNASTR_ERR_FILE_SIZE, DNASTR_ERR_COPY, DNASTR_ERR_AUDIO_FORMAT, DNASTR_ERR_PATH,
    DNASTR_ERR_DROP_MANY_FILES, DNASTR_ERR_DROP_MANY_WAVES, DNASTR_ERR_TAG_NAME_USED, DNASTR_ERR_NO_BACKUP,
    DNASTR_ERR_BACKUP_FAILED, DNASTR_ERR_WAVE_UNREADABLE, DNASTR_ERR_WAVE_FORMAT, DNASTR_ERR_CARD_GONE,
    DNASTR_ERR_EXPORT_NAME, DNASTR_ASK_RESTORE_IN_PLACE, DNASTR_ERR_RESTORE_FAILED, DNASTR_ERR_KIT_WRITE,
    DNASTR_ERR_RENUMBER, DNASTR_ERR_WAVE_WRITE, DNASTR_ERR_WAVE_DELETE, DNASTR_ERR_LIST_WRITE,
    DNASTR_ERR_TAG_WRITE, DNASTR_ERR_EXPORT_COPY, DNASTR_ERR_IMPORT_CATEGORY, DNASTR_NOTE_SAVED,
    DNASTR_ERR_CLOSE_SAVE, DNASTR_ERR_EJECT, DNASTR_STORAGE_FOLDER, DNASTR_ERR_CARD_OPEN,
    DNASTR_ASK_FINISH_EDIT, DNASTR_ERR_CARD_IN_USE,
};

// Code units of one string in the table; a text may fill all of them.
constexpr int kDnaStrUnits = 256;
// Bytes of one string in the table.
constexpr int kDnaStrBytes = kDnaStrUnits * 2;
