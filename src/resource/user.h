// user: the per-user settings that outlive a run.
//
// One fixed-size binary file, "user", in "$XDG_CONFIG_HOME/Korvan/KVB-RT Wave
// Manager/" (XDG_CONFIG_HOME defaulting to "$HOME/.config"). It is read once at
// start-up and written once at shutdown; in between the values live in memory
// and are read and changed through the accessors below.
//
// File layout, 17472 bytes, every field a 32-bit little-endian word:
//   0 "user"  4 version 0  8 position-not-stored  12 left  16 top
//   20 show categories  24 list by number  28 list alphabetically
//   32 last kit  36 preview volume (thousandths)  40 reserved  44 category count
//   48 category names, 20 x 12 words, one byte per word, sign-extended
//   1008 category open states, 20 words
//   1088, 5184, 9280, 13376: wave-import, wave-export, backup-restore and
//   backup-save folders, 1024 words each, one UTF-32 character per word,
//   zero-terminated.
// Older files are never upgraded: a file whose magic, version or length is
// wrong is replaced by the defaults, silently.
//
// Saving goes through a temporary file and a rename, so a crash while writing
// leaves the previous settings whole; a settings file that disappeared during
// the run is not recreated. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// Length of the settings file in bytes.
constexpr size_t kUserFileSize = 17472;
// Number of category slots the file holds.
constexpr int kUserTagMax = 20;
// Longest category name stored, in bytes.
constexpr int kUserTagNameMax = 12;
// Capacity of a stored folder in wide characters, terminator included.
constexpr size_t kUserPathMax = 1024;

// View-flag bits the settings carry (the auto-play bit 3 is never stored).
enum : uint32_t {
    USER_VIEW_ORDER_NUMBER = 1u << 0,    // list waves by number
    USER_VIEW_ORDER_ALPHABET = 1u << 1,  // list waves alphabetically
    USER_VIEW_SHOW_TAG = 1u << 2,        // show categories
    USER_VIEW_AUTO_PLAY = 1u << 3,       // play a wave when selected (not stored)
};

// --- Life cycle -------------------------------------------------------------

// Loads the settings file, or writes a file of defaults when it is missing,
// short, or has the wrong magic or version. A valid file sets bits 0 to 2 of
// `*viewFlags` (when given) from its view words; otherwise the flags are left
// as they are. Category names, open states and folders start empty. Returns 0
// (a folder or file that cannot be made leaves the program on the defaults).
int userInit(uint32_t *viewFlags);
// Writes the settings, taking the three view words from `viewFlags`, over the
// existing file through a temporary file. Returns 0 when written, -1 when the
// file has disappeared (it is not recreated) or the write failed; the old
// file is then unchanged.
int userTerm(uint32_t viewFlags);

// --- Paths ------------------------------------------------------------------

// Creates every missing folder up to "Korvan/KVB-RT Wave Manager" (mode 0755,
// failures ignored) and returns the settings file's path in file-system bytes.
// Returns null when no home folder is known.
const char *getUserFilePath(void);
// Returns the fallback folder of every stored folder, ending in "/": the XDG
// documents folder when user-dirs.dirs names an existing one, else
// "$HOME/Documents/" when it exists, else "$HOME/". Never null.
const wchar_t *getUserDocumentPath(void);

// --- Main window and view ---------------------------------------------------

// Returns 1 while no window position has been stored, else 0.
int userGetWinUtilityInit(void);
// Stores the stored main-window edges in `x`, `y` (either may be null).
void userGetWinUtility(int *x, int *y);
// Stores the main window's edges and marks the position as stored.
void userSetWinUtility(int x, int y);
// The show-categories, by-number and alphabetical words as last loaded.
int userGetSwitchTag(void);
int userGetOrderNumber(void);
int userGetOrderAlphabet(void);

// --- Kit and preview ----------------------------------------------------------

int userGetKitIndex(void);
void userSetKitIndex(int index);
// Preview volume in thousandths of full volume.
int userGetPlayerVolume(void);
void userSetPlayerVolume(int volume);

// --- Categories ---------------------------------------------------------------

// Returns the stored number of categories, taken as 0 to 20 whatever the file holds.
int userGetTagNum(void);
// Stores `n`, clamped to 0 to 20.
void userSetTagNum(int n);
// Returns slot `i`'s name (at most 12 bytes, terminated); "" for `i` outside 0 to 19.
const char *userGetTagName(int i);
// Copies at most 12 bytes of `name` into slot `i` (a longer name is cut).
// Ignored for `i` outside 0 to 19; a null `name` empties the slot.
void userSetTagName(int i, const char *name);
// Returns 1 when slot `i` is stored open, else 0 (also outside 0 to 19).
int userGetTagOpenStatus(int i);
// Stores slot `i`'s open state (non-zero: open). Ignored outside 0 to 19.
void userSetTagOpenStatus(int i, int open);

// --- Default folders ------------------------------------------------------------
// Each getter returns the stored folder when it is not empty and names an
// existing folder, else getUserDocumentPath(). Never null.

const wchar_t *userGetWaveImportDefaultPathPtr(void);
const wchar_t *userGetWaveExportDefaultPathPtr(void);
const wchar_t *userGetBackupImportDefaultPathPtr(void);
const wchar_t *userGetBackupExportDefaultPathPtr(void);
// Each setter stores `path` when it fits in 1024 wide characters with its
// terminator and returns 0; a longer path (which, cut, would name some other
// folder) returns -1 and the stored folder is unchanged. Null stores empty.
int userSetWaveImportDefaultPathPtr(const wchar_t *path);
int userSetWaveExportDefaultPathPtr(const wchar_t *path);
int userSetBackupImportDefaultPathPtr(const wchar_t *path);
int userSetBackupExportDefaultPathPtr(const wchar_t *path);
