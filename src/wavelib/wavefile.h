// wavefile: the parameter files of the card, read and written byte for byte.
//
// One wave parameter file per wave ("WvPrm"), the category list
// ("tag_list.kvb", "TagList"), one kit file per kit ("KitPrm") and three wave
// list files the device reads and we only write. Names are never stored as
// text: each name byte is one element holding the byte as a signed decimal
// number ("%d"), 0 after the name's end. Wave and kit files are updated in
// place (known values overwritten, missing ones added, unknown elements kept
// where they stand); the category list and the wave lists are written whole.
//
// Every write goes to a temporary file that is renamed over the old one, so a
// full or pulled card leaves the old file whole and the writer reports -1.
// The folders a file goes into must exist; creating the device tree is the
// storage module's work.
//
// Paths: file paths given here are file-system bytes and are used as they
// stand. The one Shift-JIS path is the card-relative "Path" value inside a
// wave parameter file; it is checked when read and converted only when joined
// to a folder (waveFileWavePrmGetDataPath).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/list.h"
#include "wavelib/wave.h"

// Longest "Path" value a record keeps, in bytes.
constexpr size_t kWavePrmPathLen = 22;

// A wave parameter file as read ("WvPrm").
struct _sWaveFileWavePrm {
    char name[kWaveNameLen + 1];    // "Nm0" to "Nm11"; zero where an element is missing
    char path[kWavePrmPathLen + 1]; // "Path": data folder, "/", audio file name (Shift-JIS)
    int32_t waveNumber;             // parameter folder x 100 + file number; not in the file
    int32_t tagNumber;              // "Tag": position of the category in the category list
    int32_t pathDamaged;            // 1 when "Path" is not "NN/name"; such a path is never used
};

// The category list as read ("TL").
struct _sWaveFileTagList {
    sListBase tags;       // sTag records ("FTag") in file order
    int32_t hasDefault;   // 1 when a category is named "DEFAULT" (any case)
};

// --- Wave parameter files ----------------------------------------------------------

// Reads the wave parameter file at `path` as wave `folder` x 100 + `file` (both
// 0 to 99; otherwise the wave number is -1). Returns a new record, or null when
// the file cannot be read or lacks "<WvPrm>" or "</WvPrm>"; nothing allocated then.
// A damaged "Path" is not a failure: the record says so in pathDamaged.
_sWaveFileWavePrm *waveFileWavePrmCreateFromFile(const char *path, int folder, int file);
// As above for bytes in memory. Null on failure, nothing allocated.
_sWaveFileWavePrm *waveFileWavePrmCreateFromMemory(const uint8_t *data, size_t size, int folder, int file);
// Writes `wave`'s parameter file at `path`, updating an existing one in place;
// "Tag" is the position of the wave's category in `categories` (-1 without one).
// Returns 0, or -1 with the old file untouched (also when the data folder or
// file name holds a byte the text cannot carry, see xmlValueIsWritable).
int waveFileWavePrmCreateToFile(const sWave *wave, const sListBase *categories, const char *path);
// The bytes waveFileWavePrmCreateToFile writes, made by updating `old`
// (`oldSize` bytes; null when there is no old file) into `out`. Returns 0, or
// -1 when memory runs out or the "Path" cannot be carried (`out` unchanged).
int waveFileWavePrmUpdateText(const sWave *wave, const sListBase *categories, const uint8_t *old, size_t oldSize,
                              std::string *out);
// Frees the record; null is ignored.
void waveFileWavePrmDispose(_sWaveFileWavePrm *prm);

// Field access; null / 0 / -1 for a null record.
const char *waveFileWavePrmGetNamePtr(const _sWaveFileWavePrm *prm);
const char *waveFileWavePrmGetFilenamePtr(const _sWaveFileWavePrm *prm);
int waveFileWavePrmGetWaveNumber(const _sWaveFileWavePrm *prm);
int waveFileWavePrmGetTagNumber(const _sWaveFileWavePrm *prm);
// Returns the data folder number the "Path" names (0 to 99), -1 for a damaged path.
int waveFileWavePrmGetFilenameDirNo(const _sWaveFileWavePrm *prm);
// Writes into `out` (capacity `cap`) the audio file's path: `dataDir` (the
// card's "Korvan/KVB-RT/WAVE/DATA/" folder, file-system bytes, used as it
// stands), then the "Path" with its file name converted from Shift-JIS to
// UTF-8. Returns 0, or -1 for a damaged "Path" or a result that does not fit
// (`out` then empty).
int waveFileWavePrmGetDataPath(const _sWaveFileWavePrm *prm, const char *dataDir, char *out, size_t cap);
// Returns whether a "Path" value (Shift-JIS) is two ASCII digits, "/" and a
// plain file name: not empty, not "." or "..", without "/" or "\".
bool waveFilePathIsSafe(const char *path);

// --- Category list -------------------------------------------------------------------

// Reads the category list at `path`. Returns a new record, or null when the file
// cannot be read, lacks "<TagList>" or "</TagList>", or memory runs out.
_sWaveFileTagList *waveFileTagListCreateFromFile(const char *path);
// As above for bytes in memory.
_sWaveFileTagList *waveFileTagListCreateFromMemory(const uint8_t *data, size_t size);
// Writes the category list of `categories` (sTag, library order) at `path`;
// twelve name bytes per category. Returns 0, or -1 with the old file untouched.
int waveFileTagListCreateToFile(const sListBase *categories, const char *path);
// The bytes waveFileTagListCreateToFile writes. Never fails.
std::string waveFileTagListText(const sListBase *categories);
// The categories read; null for a null record.
sListBase *waveFileTagListPtr(_sWaveFileTagList *list);
// The has-DEFAULT flag; 0 for a null record.
int waveFileTagListDefulatTagExist(const _sWaveFileTagList *list);
// Frees the categories and the record; null is ignored.
void waveFileTagListDispose(_sWaveFileTagList *list);

// --- Kit files -----------------------------------------------------------------------

// Reads the kit file at `path` into a new kit ("KitF") with 15 pads ("PadF",
// wave and sub-wave -1 where the file says nothing). The kit number is not in
// the file and stays 0. Returns null when the file cannot be read, lacks
// "<KitPrm>" or "</KitPrm>", or memory runs out; nothing allocated then.
sKit *waveFileKitPrmCreateFromFile(const char *path);
// As above for bytes in memory.
sKit *waveFileKitPrmCreateFromMemory(const uint8_t *data, size_t size);
// Writes `kit`'s file at `path`, updating an existing one in place. Returns 0,
// or -1 with the old file untouched.
int waveFileKitPrmCreateToFile(const sKit *kit, const char *path);
// The bytes waveFileKitPrmCreateToFile writes, made by updating `old` (null:
// none) into `out`. Returns 0, or -1 when memory runs out (`out` unchanged).
int waveFileKitPrmUpdateText(const sKit *kit, const uint8_t *old, size_t oldSize, std::string *out);
// Frees the pads, their nodes and the kit; null is ignored.
void waveFileKitPrmDispose(sKit *kit);

// --- Wave list files -------------------------------------------------------------------

// Writes "wavelist_name.kvb": every wave of `alphabeticalWaves` (sListItem ->
// sWave) by number. Returns 0, or -1 with the old file untouched.
int waveFileWaveFileCreateListFile(const sListBase *alphabeticalWaves, const char *path);
// Write "wavelist_tagname.kvb" / "wavelist_tagnum.kvb": one block per category
// of `categories` with its members in alphabetical / number order. Return 0,
// or -1 with the old file untouched.
int waveFileTagListCreateListFileSortbyName(const sListBase *categories, const char *path);
int waveFileTagListCreateListFileSortbyNumber(const sListBase *categories, const char *path);
// The bytes wave list file `which` holds (0 by name, from `alphabeticalWaves`;
// 1 and 2 by category and name / number, from `categories`). Never fails.
std::string waveFileWaveListText(const sListBase *alphabeticalWaves, const sListBase *categories, int which);

// A wave list file as read: the wave numbers of each of its lists.
struct sWaveFileWaveList {
    const char *root;                          // its root element: "WvListSortbyName", "WvListSortbyName_Tag"
                                               // or "WvListSortbyNum_Tag"
    std::vector<std::vector<int32_t>> lists;   // one per "WvList" block (a category), or the one list of
                                               // "WvListSortbyName", which has no blocks
};
// Reads the wave list file `data` whose root element is `root` (as
// waveFileKind names it) into `out`. Returns 0, or -1 (`out` emptied) when
// `root` is not a wave list root.
int waveFileWaveListRead(const uint8_t *data, size_t size, const char *root, sWaveFileWaveList *out);

// --- Telling the files apart ---------------------------------------------------------------

// The kinds of parameter file.
enum : int {
    WAVEFILE_KIND_NONE = 0,        // no known root element
    WAVEFILE_KIND_WAVE = 1,        // a wave parameter file ("WvPrm")
    WAVEFILE_KIND_CATEGORIES = 2,  // the category list ("TagList")
    WAVEFILE_KIND_KIT = 3,         // a kit file ("KitPrm")
    WAVEFILE_KIND_WAVE_LIST = 4,   // one of the three wave list files
};
// Returns the kind of the parameter file `data` holds: that of the first open
// tag that is a root name, spelled exactly as the device does, when its open
// and close tags both stand in the file (an element of another kind nested
// further in does not decide). `*root` (may be null) gets the root's name, or
// null for WAVEFILE_KIND_NONE. Changes nothing.
int waveFileKind(const uint8_t *data, size_t size, const char **root);

// --- Values ------------------------------------------------------------------------------

// Returns the decimal value of `text` as the readers take it: leading white
// space skipped, an optional sign, digits up to the first other byte (0
// without any), held to the 32-bit range.
int32_t waveFileDecimal(const char *text);
