// wavelist: the in-memory library of one card.
//
// A library holds the card's waves (numbered 0 to 9999), its categories (at
// most 20, one of them "DEFAULT"), always exactly 100 kits of 15 pads, and the
// sorted views the screens show. It is built from a scan of the card or, for a
// card being set up, as a default library; edits change it in place and the
// request step writes the files. Pads name waves by number, so a pad may name
// a wave that does not exist; such an assignment is simply dangling.
//
// Every record comes from the tracked allocator, zero-filled, and is owned by
// the library; disposing of the library frees all of it, storage record and
// card included. A library writes only to its own card (sWaveList::card): the
// functions below that touch files take the card from the library they are
// given. The selection values below are process-wide and refer into the
// current library (G.currentWaveList), the one the screens show.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"
#include "wavelib/wave.h"

struct _sWaveStorage;
struct sCard;

// Highest wave number a card holds.
constexpr int kWaveNumberMax = 9999;
// Most categories a library holds.
constexpr int kTagCountMax = 20;
// Kits of a library.
constexpr int kKitCount = 100;
// The default category's name, and the name of a kit without a file.
extern const char *const cWAVE_DEFAULT_TAG;  // "DEFAULT"
extern const char *const cWAVE_NEW_KIT;      // "New Kit " (eight bytes, final space included)

// One library ("WL").
struct sWaveList {
    sWaveList *next;              // in G's list of libraries
    sWaveList *prev;
    sListBase kits;               // sKit, the 100 kits by number
    sListBase tags;               // sTag, creation order; the position is the file's category number
    sListBase waves;              // sWave, creation order
    sListBase pads;               // sPad, every pad of every kit
    int32_t lastWaveNumber;       // highest wave number in use, -1 for none
    sTag *defaultTag;             // the category named "DEFAULT"
    _sWaveStorage *storage;       // the scan it was built from (owned), or null
    sListBase tagOrder;           // sListItem ("TI") -> sTag, display order
    sListBase waveAlphabet;       // sListItem ("witerA") -> sWave, alphabetical
    sListBase waveNumber;         // sListItem ("wIter") -> sWave, by number
    sListBase removedTags;        // sListItem ("titer") -> sTag removed in the category window
    sCard *card;                  // the card it belongs to (owned), or null for a library of no card
};

// --- Building and disposing -------------------------------------------------------

// Scans the card at `root` (mode WSTORAGE_SCAN_*) and builds its library,
// which holds the card from then on. Returns it, or null when the card holds
// no device folder or memory runs out.
sWaveList *waveListCreateFromStorageWindowOpen(const char *root, int onScreen, uint32_t mode = 0);
// Fills `list` from `storage` and makes it current; `list` takes `storage`.
// Returns `list`, or null after disposing of both when the scan found no
// device folder (or either is null; the other is then disposed too).
sWaveList *waveListCreateFromStorage(_sWaveStorage *storage, sWaveList *list);
// Returns a new library with DEFAULT and 100 kits without files, or null. It
// has no card until waveListSetCard gives it one.
sWaveList *waveListCreateDefault(void);
// The library takes `card` (may be null), closing the one it had. Never fails.
void waveListSetCard(sWaveList *list, sCard *card);
// Frees the library and all it owns; null is ignored. Clears the selection
// values, G's current library, the touched lists and the deferred requests
// where they point into it.
void waveListDispose(sWaveList *list);

// --- Waves ---------------------------------------------------------------------------

// Returns a new wave numbered last wave number + 1, named after `path` (the
// same-name suffix removed), appended without a category; null when the last
// wave number is above 9999 or memory runs out (nothing changed then).
sWave *waveWaveCreate(sWaveList *list, const char *path, int keepPads);
// Gives `wave` `number` and its data folder; unless `keepPads`, pads that named
// the old number name the new one. Never fails.
void waveWaveWaveNumber(sWaveList *list, sWave *wave, int number, int keepPads);
// Takes the wave off every pad, out of its category, the library and the
// pending delete and pad-exchange requests, and frees it.
void waveWaveDispose(sWaveList *list, sWave *wave);

// Field access; null / -1 / 0 for a null wave. Setters cut at the field's length.
void waveWaveName(sWave *wave, const char *text);
const char *waveWaveNamePtr(const sWave *wave);
void waveWaveFilename(sWave *wave, const char *text);
const char *waveWaveFilenamePtr(const sWave *wave);
int waveWaveWaveNumber(const sWave *wave);
sTag *waveWaveTagPtr(const sWave *wave);
void waveWaveIsNew(sWave *wave, int flag);
int waveWaveIsNew(const sWave *wave);
// Sets the wave's save mark; a set mark raises the wave-save request. Never fails.
void waveWaveSaveRequest(sWave *wave, int flag);
// Moves the wave into `tag`, marks it for saving and raises the sort request;
// nothing when it is there.
void waveWaveTagChange(sWave *wave, sTag *tag);
// Writes into `out` (capacity `cap`) the path of the audio file of `wave`, a
// wave of `list`, on the library's card. Returns 0, or -1 with `out` empty
// when the card is not the one opened, the path does not fit, or the stored
// names would lead out of the data folder.
int waveWaveAudioPath(const sWaveList *list, const sWave *wave, char *out, size_t cap);
// Checks the audio file of `wave`, a wave of `list`, on the library's card: 0
// when it opens and is 44100 Hz 16-bit, -2 another format, -1 when it cannot
// be opened (or the library has no card).
int waveWaveFileExist(const sWaveList *list, const sWave *wave);
// As waveWaveFileExist; for -1 / -2 first calls `mbox(56, text, 0)` with the
// text of string 83 / 84.
int waveWaveFileExistMbox(const sWaveList *list, const sWave *wave, int (*mbox)(int title, int text, int kind));
// Writes the name a file at UTF-8 `path` gets as a wave, by the name rule
// (waveNameFromFile, names.h). `buf` holds 13 bytes.
void waveWaveGetEffectiveName(char *buf, const char *path);
// Number of kits with a pad slot holding the wave's number; 0 for null.
int waveWaveKitIsUsedCount(const sWaveList *list, const sWave *wave);
// Kit number of the n-th such kit (from 0, kit order), -1 when there is none.
int waveWaveKitIsUsedKitNumber(const sWaveList *list, const sWave *wave, int n);
// Splits a trailing "_" and digits off `name`: `out` gets the part before and
// the result is the number; without such a suffix `out` gets `name` and the
// result is -1. `out` holds strlen(name) + 1 bytes.
int strSameName(char *out, const char *name);

// --- Categories ---------------------------------------------------------------------

// Makes a category named `name` (15 bytes) and appends it; `onTop` shows it
// first (highest order key), else its key is 0. Returns null at the limit of 20
// categories (after `mbox(56, 69, 0)` when given) or when memory runs out.
sTag *waveTagCreate(sWaveList *list, const char *name, int (*mbox)(int title, int text, int kind), int onTop);
// Puts `wave` into `tag` (three member nodes). Returns 0; -1 and nothing
// changed when the wave already has a category or memory runs out.
int waveTagAddWave(sTag *tag, sWave *wave);
// Takes `wave` out of `tag`'s member lists and clears its category.
void waveTagRemWave(sTag *tag, sWave *wave);
// Position of `tag` in the category list, -1 when not there.
int waveTagNumber(const sWaveList *list, const sTag *tag);
// First category named `name` without regard to case, or null.
sTag *waveListTagFindName(const sWaveList *list, const char *name);
void waveTagName(sTag *tag, const char *text);
const char *waveTagNamePtr(const sTag *tag);
void waveTagOrder(sTag *tag, int order);
int waveTagOrder(const sTag *tag);
void waveTagIsOpen(sTag *tag, int flag);
int waveTagIsOpen(const sTag *tag);
int waveTagHadWaveCount(const sTag *tag);
sWave *waveTagHadWavePtr(const sTag *tag, int i);
sWave *waveTagHadWaveAlphabetPtr(const sTag *tag, int i);
sWave *waveTagHadWaveNumberPtr(const sTag *tag, int i);
sListBase *waveTagHadWaveIterListAlphabetPtr(sTag *tag);
sListBase *waveTagHadWaveIterListNumberPtr(sTag *tag);

// --- Kits and pads ----------------------------------------------------------------------

// Makes kit `number` named with 8 bytes of `name`, with 15 empty pads, and
// appends it. Null when the kit cannot be allocated (pads that fail are missing).
sKit *kitCreate(sWaveList *list, const char *name, int number);
// Makes a pad of `kit` and appends it to the library and the kit. Null (nothing
// kept) when memory runs out.
sPad *padCreate(sWaveList *list, sKit *kit, int wave, int subWave);
void waveKitName(sKit *kit, const char *text);
const char *waveKitNamePtr(const sKit *kit);
void waveKitSubName(sKit *kit, const char *text);
const char *waveKitSubNamePtr(const sKit *kit);
int waveKitKitNo(const sKit *kit);
void waveKitIsFile(sKit *kit, int flag);
int waveKitIsFile(const sKit *kit);
void waveKitEdit(sKit *kit);
sListBase *waveKitPadIterListPtr(sKit *kit);
void wavePadWaveNumber(sPad *pad, int n);
int wavePadWaveNumber(const sPad *pad);
void wavePadSubWaveNumber(sPad *pad, int n);
int wavePadSubWaveNumber(const sPad *pad);
// The wave the pad's (sub-)wave number names, or null.
sWave *wavePadWavePtr(const sWaveList *list, const sPad *pad);
sWave *wavePadSubWavePtr(const sWaveList *list, const sPad *pad);

// --- Library accessors (null / 0 for a null library or an index out of range) ---------

int waveListKitCount(const sWaveList *list);
sKit *waveListKitPtr(const sWaveList *list, int i);
sListBase *waveListKitListPtr(sWaveList *list);
int waveListKitFileCount(const sWaveList *list);
int waveListTagCount(const sWaveList *list);
sTag *waveListTagPtr(const sWaveList *list, int i);
sListBase *waveListTagListPtr(sWaveList *list);
sListBase *waveListTagIterListOrderPtr(sWaveList *list);
int waveListWaveCount(const sWaveList *list);
sWave *waveListWavePtr(const sWaveList *list, int i);
sWave *waveListWaveAlphabetPtr(const sWaveList *list, int i);
sWave *waveListWaveWaveNumberPtr(const sWaveList *list, int i);
sListBase *waveListWaveIterListAlphabetPtr(sWaveList *list);
sListBase *waveListWaveIterListWaveNumberPtr(sWaveList *list);
int waveListPadCount(const sWaveList *list);
sPad *waveListPadPtr(const sWaveList *list, int i);
int waveListLastWaveNumber(const sWaveList *list);
_sWaveStorage *waveListStoragePtr(sWaveList *list);
// Returns the wave numbered `number`, or null.
sWave *waveListFindWaveNumber(const sWaveList *list, int number);

// --- Selection and touched records --------------------------------------------------------

extern sWave *gpSelectWave;
extern sTag *gpSelectTag;
extern sKit *gpSelectKit;
extern sPad *gpSelectPad;
extern int gbSelectPadSub;
extern sWave *gpDragWave;
extern sListBase gTagChangeWave;   // sListItem ("witer") -> sWave touched by the last operation
extern sListBase gOrderChangeTag;  // sListItem ("titer") -> sTag touched by the last operation
// Set while renumbering runs: pads changed then mark their kit edited.
extern bool gbRenumberingCalc;

sWave *waveWaveSelectPtr(void);
void waveTagSelect(sTag *tag);
sTag *waveTagSelectPtr(void);
// Unselects `tag` and takes it off the touched list, before it is freed. Never fails.
void waveTagForget(const sTag *tag);
// Selects a kit and keeps its number in the user settings.
void waveKitSelect(sKit *kit);
sKit *waveKitSelectPtr(void);
void wavePadSelect(sPad *pad, int sub);
sPad *wavePadSelectPtr(void);
int wavePadSelectSub(void);
void waveWaveDrag(sWave *wave);
sWave *waveWaveDragPtr(void);
// Append to / read / empty the touched lists. Append returns -1 when memory runs out.
int waveListOperationWave(sWave *wave);
sWave *waveListOperationWaveFirstPtr(void);
void waveListOperationWaveDelete(void);
int waveListOperationTag(sTag *tag);
sTag *waveListOperationTagFirstPtr(void);
void waveListOperationTagDelete(void);

// --- Views ---------------------------------------------------------------------------------

// Rebuild the views: alphabetical (12 name bytes, signed, A-Z folded, then
// number) and by number; every category's member lists the same way; the
// category order view in list order, then by descending order key. A view
// whose array cannot be allocated stays empty.
void waveSortAlphabet(sWaveList *list);
void waveSortWaveNumber(sWaveList *list);
void tagSortWaveAlphabet(sWaveList *list);
void tagSortWaveNumber(sWaveList *list);
void tagCreateOrder(sWaveList *list);
void tagSortOrder(sWaveList *list);
void waveListSortItAll(sWaveList *list);
