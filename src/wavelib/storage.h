// storage: the card's device folder, the scan that reads it, and the small
// folder utilities around it.
//
// The device keeps everything below "Korvan/KVB-RT/" on the card: SYSTEM (the
// category list and the wave list files), KIT (kit000.kvb to kit099.kvb) and
// WAVE with DATA/NN (audio files) and PRM/NN/MM.kvb (the parameter file of wave
// NN x 100 + MM). A scan lists that tree, reads every parameter file it finds
// into a storage record and hands the record to the library model.
//
// The card is FAT and ignores case; a copy of it on a Linux file system does
// not. Folders of the tree are therefore found by their whole name without
// regard to case ("korvan" is the maker folder, "Korvan.bak" is not), and every
// path built below a folder found that way uses the name found on disk, so a
// lower-case copy is read and written in place instead of beside a second tree.
//
// A scan never deletes what it is not sure about. A parameter file whose audio
// file is missing is removed only in the clean-up mode, and only when the audio
// file is definitely absent: the lookup said "no such file" and its data folder
// could be listed without holding it under any case. Any other failure keeps
// the parameter file, leaves the wave out and is noted in the record, as is a
// "Path" that would lead out of its data folder (never followed). The
// read-only mode deletes nothing and notes orphans instead.
//
// Nothing here changes the process's current directory: every listing and
// lookup is made with a full path.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"
#include "wavelib/wave.h"

struct _sWaveFileTagList;
struct _sWaveFileWavePrm;
struct sCard;
struct sWaveList;

// --- The device tree -------------------------------------------------------------

// The device folder, and the four folders created with the tree, below the volume root.
extern const char *const cSTORAGE_DIR_DEVICE;     // "Korvan/KVB-RT/"
extern const char *const cSTORAGE_DIR_KIT;        // "Korvan/KVB-RT/KIT/"
extern const char *const cSTORAGE_DIR_WAVE_DATA;  // "Korvan/KVB-RT/WAVE/DATA/"
extern const char *const cSTORAGE_DIR_WAVE_PRM;   // "Korvan/KVB-RT/WAVE/PRM/"
extern const char *const cSTORAGE_DIR_SYSTEM;     // "Korvan/KVB-RT/SYSTEM/"
// The files of SYSTEM this program writes: the category list, and the three
// wave list files in the order they are written (by name, by category and
// name, by category and number).
extern const char *const cSTORAGE_FILE_TAG_LIST;  // "tag_list.kvb"
constexpr int kStorageWaveListFiles = 3;
extern const char *const cSTORAGE_FILE_WAVE_LISTS[kStorageWaveListFiles];

// Capacity of a listing's path and of the paths the scan keeps.
constexpr size_t kStoragePathMax = 1024;
// Capacity of a name in a listing (longest Linux name plus its zero).
constexpr size_t kStorageNameMax = 256;
// Capacity of an extension in a file item, dot included.
constexpr size_t kStorageExtMax = 16;
// Data and parameter folders, 00 to 99.
constexpr int kStorageFolderCount = 100;

// --- Directory listing -----------------------------------------------------------

// One name of a listing.
struct sRliDirEntry {
    char *name;        // the entry's name ("DirN"), owned
    struct stat st;    // its status, links not followed
    mode_t type;       // the file type bits of st.st_mode
};

// Lists folder `path` into a new array (`*entries`, "Dir") sorted with folders
// first, then regular files, then other types by type; within a type ".",
// "..", then names compared without regard to ASCII case (ties by bytes).
// Returns the number of entries, or -1 (errno set, `*entries` null, nothing
// allocated) when the folder cannot be opened or memory runs out.
int rliStorageGetDir(sRliDirEntry **entries, const char *path);
// Frees the names and the array; null is ignored.
void rliStorageFreeDir(sRliDirEntry *entries, int count);

// A subfolder in a listing ("sDir").
struct sStorageDirItem {
    sStorageDirItem *next;
    sStorageDirItem *prev;
    char name[kStorageNameMax];      // the name on disk
    char baseName[kStorageNameMax];  // the name without its extension
};

// A regular file in a listing ("sFile").
struct sStorageFileItem {
    sStorageFileItem *next;
    sStorageFileItem *prev;
    char name[kStorageNameMax];      // the name on disk
    char baseName[kStorageNameMax];  // the name without its extension
    char ext[kStorageExtMax];        // the extension with its dot, cut to 15 bytes
    uint32_t size;                   // low 32 bits of the file's size
};

// One folder as listed ("Strg").
struct sStorageListing {
    sStorageListing *next;     // in the storage record's list of listings
    sStorageListing *prev;
    char path[kStoragePathMax];  // the folder listed, ending in "/"
    sListBase folders;         // sStorageDirItem, listing order; "." and ".." left out
    sListBase files;           // sStorageFileItem, listing order
};

// Returns a new listing of folder `path` (links and devices left out), or null
// (errno set) when it cannot be listed or memory runs out.
sStorageListing *storageDevelopment(const char *path);
// Frees the items and the listing; null is ignored.
void storageListingDispose(sStorageListing *listing);
// Returns the subfolder whose whole name equals `name` without regard to case
// (an exact spelling preferred), or null.
const sStorageDirItem *storageFindFolder(const sStorageListing *listing, const char *name);

// --- The scan ------------------------------------------------------------------------

// Flag bits of _sWaveStorage::flags.
enum : uint32_t {
    WSTORAGE_ROOT = 0x001,      // the volume root was listed
    WSTORAGE_KORVAN = 0x002,    // "Korvan" was listed
    WSTORAGE_KVBRT = 0x004,     // "KVB-RT" was listed
    WSTORAGE_SYSTEM = 0x008,    // "SYSTEM" was listed
    WSTORAGE_KIT = 0x010,       // "KIT" was listed
    WSTORAGE_WAVE = 0x020,      // "WAVE" was listed
    WSTORAGE_DATA = 0x040,      // "WAVE" holds "DATA" (not listed)
    WSTORAGE_PRM = 0x080,       // "WAVE/PRM" was listed
    WSTORAGE_TAG_LIST = 0x200,  // a category list file was read
    WSTORAGE_TAG_LIST_BAD = 0x400,  // a category list file is there but could not be read: never to be rewritten
};

// Scan modes.
enum : uint32_t {
    WSTORAGE_SCAN_CLEAN = 0,      // definite orphans are deleted, as the desktop program does
    WSTORAGE_SCAN_READ_ONLY = 1,  // nothing is deleted; orphans are noted
};

// What a note reports.
enum : int32_t {
    WSTORAGE_NOTE_ORPHAN = 1,          // audio file absent; the parameter file was kept (read-only)
    WSTORAGE_NOTE_ORPHAN_DELETED,      // audio file absent; the parameter file was deleted
    WSTORAGE_NOTE_DELETE_FAILED,       // audio file absent; deleting the parameter file failed (err)
    WSTORAGE_NOTE_AUDIO_UNKNOWN,       // the audio file could not be examined (err); wave left out, file kept
    WSTORAGE_NOTE_PATH_DAMAGED,        // "Path" is not a two-digit folder and a plain name; wave left out
    WSTORAGE_NOTE_UNREADABLE,          // a parameter file could not be read (err); skipped
    WSTORAGE_NOTE_MALFORMED,           // a parameter file lacks its root element; skipped
    WSTORAGE_NOTE_DUPLICATE,           // a second file for the same wave, kit or category list; skipped
    WSTORAGE_NOTE_FOLDER_UNREADABLE,   // a folder of the tree could not be listed (err)
};

// One thing the scan met and did not take ("WSNote").
struct sStorageNote {
    sStorageNote *next;
    sStorageNote *prev;
    int32_t kind;                // WSTORAGE_NOTE_*
    int32_t err;                 // errno where the kind has one, else 0
    char path[kStoragePathMax];  // the file or folder concerned
    char detail[kStoragePathMax];  // the audio file a parameter file names, where it matters
};

// A wave parameter file the scan took ("WP").
struct sStorageWavePrm {
    sStorageWavePrm *next;
    sStorageWavePrm *prev;
    _sWaveFileWavePrm *prm;  // the record read; owned
    char *audioPath;         // the audio file as found on disk ("WPath"); owned
    uint64_t audioSize;      // its whole size in bytes
};

// The result of a scan ("WS").
struct _sWaveStorage {
    uint32_t flags;                     // WSTORAGE_* bits
    sListBase listings;                 // sStorageListing, every listing made; owned
    sStorageListing *root;              // the volume root, or null
    sStorageListing *maker;             // "Korvan"
    sStorageListing *device;            // "KVB-RT"
    sStorageListing *system;            // "SYSTEM"
    sStorageListing *kit;               // "KIT"
    sStorageListing *wave;              // "WAVE"
    sStorageListing *wavePrm;           // "WAVE/PRM"
    sStorageListing *prmFolder[kStorageFolderCount];  // "WAVE/PRM/NN"
    char dataPath[kStoragePathMax];     // "WAVE/DATA/" as found on disk; empty without it
    _sWaveFileTagList *tagList;         // the category list read, or null
    sListBase kits;                     // sKit read from kit files, kit number set
    sListBase wavePrms;                 // sStorageWavePrm, the waves whose audio file exists
    sListBase notes;                    // sStorageNote, in the order met
    uint32_t mode;                      // WSTORAGE_SCAN_* the scan ran in
};

// Scans the volume at `root` with the progress window and builds `list` from
// it. Returns the storage record now owned by `list`, or null when no record
// could be made or the library could not be built (`list` is then disposed).
_sWaveStorage *wstorageCreateProgress(const char *root, int onScreen, sWaveList *list,
                                      uint32_t mode = WSTORAGE_SCAN_CLEAN);
// The scan job: `arg` is the input record wstorageCreateProgress makes (the
// root, the mode and the library to build); ends by building the library.
// Always returns 1.
int wstorageCreate(void *arg);
// The flags of the last scan, kept after its record went with a library that
// could not be built. 0 before any scan.
uint32_t wstorageLastFlags(void);
// Returns the number of files a scan of `root` will read (every regular file of
// SYSTEM, KIT and the two-digit PRM folders); 0 without a device folder.
int wstorageReadCount(const char *root);
// Sets a card up: creates the four folders of the device tree below `root`
// (which must exist), reusing folders of the tree found in another case.
// Returns 0, or -1 (what was made stays).
int wstorageCreateDir(const char *root);
// Frees everything the record holds and the record; null is ignored.
void wstorageDispose(_sWaveStorage *storage);

// Flag accessors; 0 for a null record.
int wstorageRootDirExist(const _sWaveStorage *storage);
int wstorageKorvanDirExist(const _sWaveStorage *storage);
int wstorageKVBRTDirExist(const _sWaveStorage *storage);
int wstorageSystemDirExist(const _sWaveStorage *storage);
int wstorageKitDirExist(const _sWaveStorage *storage);
int wstorageWaveDirExist(const _sWaveStorage *storage);
int wstorageWaveDataDirExist(const _sWaveStorage *storage);
int wstorageWavePrmDirExist(const _sWaveStorage *storage);
int wstorageTagListPrmExist(const _sWaveStorage *storage);
// Whether the card's category list is there but could not be read: the
// library then holds only DEFAULT, and writing the list or the waves' category
// numbers from it would lose every other category. 0 for null.
int wstorageTagListUnreadable(const _sWaveStorage *storage);
// Contents; null for a null record.
_sWaveFileTagList *wstorageFileTagListPtr(_sWaveStorage *storage);
sListBase *wstorageKitListPtr(_sWaveStorage *storage);
sListBase *wstorageWavePrmListPtr(_sWaveStorage *storage);
_sWaveFileWavePrm *wstorageWavePrmPtr(const sStorageWavePrm *node);
// Returns the wave parameter node of wave `number`, or null. Changes nothing.
const sStorageWavePrm *wstorageFindWavePrm(const _sWaveStorage *storage, int number);

// Scan progress, through the job runner's counted bar (gnReadFile / gReadFileMax).
void wstorageProgressSetMax(int max);
void wstorageProgressStep(void);

// --- Paths and folders --------------------------------------------------------------

// Writes into `out` (capacity `cap`) the volume root followed by `relative`
// ("Korvan/KVB-RT/KIT/kit007.kvb"), each existing folder of the way taken by
// its name on disk, found without regard to case; the rest as written. `root`
// gets a "/" when it ends in neither "/" nor "\". Returns 0, or -1 (`out`
// empty) when the result does not fit.
int wstorageDevicePath(char *out, size_t cap, const char *root, const char *relative);
// Makes the missing folders of `relative`, a folder of the device tree as the
// cSTORAGE_DIR_* names spell it ("Korvan/KVB-RT/WAVE/PRM/05/"), inside the
// device folder found below `root` (any case). The device folder itself and
// everything above it are never made: a card pulled since it was read leaves
// nothing planted on the computer's disk. Returns 0, or -1 with errno set
// (ENOENT: no device folder; EINVAL: `relative` is outside the device tree).
int wstorageMakeDir(const char *root, const char *relative);
// Returns 0 when `path` exists, -1 otherwise.
int rliStorageExist(const char *path);
// Free and total bytes of the file system holding `path` (free: what the user
// may still write, as df shows it); UINT64_MAX when it cannot be examined or `path` is over 127 bytes.
uint64_t rliStorageDiskFreeSize(const char *path);
uint64_t storageDiskSize(const char *path);
// Writes the free share of the volume as "%d%%" into `buf` (capacity `cap`).
// Returns 0, or -1 ("0%" written) when the sizes cannot be taken.
int rliStorageDiskFreeSizeRatioString(char *buf, size_t cap, const char *path);
// Writes `size` as "%dGB", "%dMB", "%dKB" or "%dByte". Never fails.
void rliStorageFileSizeString(char *buf, size_t cap, uint64_t size);
// The mounted volumes, from the platform layer.
int rliStorageRootCount(void);
int rliStorageRootName(char *buf, size_t cap, int index);
// Returns the later of the last "/" and the last "\" in `path`, or null.
const char *stringLastSlash(const char *path);

// --- Data-folder name cache ------------------------------------------------------------

// One audio file name of a data folder ("wname").
struct sStorageWaveName {
    sStorageWaveName *next;
    sStorageWaveName *prev;
    char baseName[128];        // the name without its extension
    char ext[kStorageExtMax];  // the extension with its dot
    int32_t placed;            // 1 when renumbering put the file there
};

// The per-folder lists and their loaded flags.
extern sListBase gStorageWave[kStorageFolderCount];
extern bool gbStorageWaveInit[kStorageFolderCount];

// Loads the list of the wave's data folder (number / 100) from `card`, once; a
// folder that cannot be listed (or a null card) leaves it empty. The lists
// are of one card at a time: the request step empties them on every pass.
void waveStorageWaveFile(const sCard *card, const sWave *wave);
// Appends the wave's audio file name to the list of its folder. Returns 0, or
// -1 when memory runs out (list unchanged).
int waveStorageAddWaveFile(const sWave *wave, int placed);
// Empties every list and marks it unloaded. Never fails.
void waveStorageWaveFileClear(void);
