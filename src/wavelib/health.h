// health: the check of a whole card and the repairs that lose no audio.
//
// The check reads the card without changing it (the scan runs read-only) and
// lists what is wrong, one finding per file concerned: parameter files that
// cannot be used, audio files no wave owns or the device cannot play, pads
// naming missing waves, category numbers and counts the device does not
// take, damaged kit files, wave list files that no longer match the library,
// names Shift-JIS cannot hold or that clash on a FAT card, temporary files a
// crash left (the journals' folder included), the staging folder of a
// restore, a missing category list, folders standing where files belong, two
// waves sharing one audio file, symbolic links, and a full card. A kit
// without a file and an absent wave list file are normal and not reported.
//
// Each finding says whether it can be repaired without losing audio, and how.
// The repair never trusts the findings it was shown: it removes definite
// orphan parameter files through the scan's own clean-up mode, checks the
// card afresh and repairs what that check finds, in an order in which each
// step sees the result of the one before (orphans, then pads, kits,
// adoption, and the wave list files last, from the library as it now is).
// Every file is written through the safe writers (temporary file and
// rename) and the whole repair is synced once at its end. The category list
// is never rewritten in a way that moves a wave into another category: a
// DEFAULT entry is added after the others, and a list that is missing or
// cannot be read is rebuilt position by position from the waves' numbers.
//
// The restore's staging folder is found here, but finishing or rolling back
// an interrupted restore is the transfer layer's work; its caller adds that
// finding and that repair (waveHealthAdd, waveHealthAddRepair).
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"
#include "wavelib/storage.h"

struct sWaveList;

// What a finding reports.
enum : int32_t {
    HEALTH_PRM_DAMAGED = 1,       // a wave parameter file does not parse, or its "Path" is damaged
    HEALTH_PRM_UNREADABLE,        // a parameter file cannot be read
    HEALTH_PRM_DUPLICATE,         // a second spelling of a parameter file; not read
    HEALTH_PRM_NO_AUDIO,          // the audio file a parameter file names is absent
    HEALTH_PRM_AUDIO_UNREADABLE,  // the audio file exists but cannot be examined
    HEALTH_AUDIO_ORPHAN,          // an audio file no parameter file names
    HEALTH_AUDIO_UNPLAYABLE,      // a wave's audio file the device cannot play
    HEALTH_PAD_DANGLING,          // a pad or sub-pad names a wave that does not exist
    HEALTH_TAG_OUT_OF_RANGE,      // a wave's category number names no category
    HEALTH_TAG_TOO_MANY,          // the category list holds more than 20 categories
    HEALTH_TAG_LIST_DAMAGED,      // the category list cannot be read or does not parse
    HEALTH_KIT_DAMAGED,           // a kit file that does not parse
    HEALTH_WAVELIST_STALE,        // a wave list file that no longer matches the library
    HEALTH_NAME_NOT_SJIS,         // a name Shift-JIS cannot hold
    HEALTH_NAME_CLASH,            // two names of a folder equal without regard to case
    HEALTH_TEMP_FILE,             // a temporary file a write left behind
    HEALTH_STAGING,               // a hidden folder below "Korvan/": a restore's staging folder
    HEALTH_RESTORE_CUT,           // a restore cut off midway (added by the transfer layer)
    HEALTH_FOLDER_UNREADABLE,     // a folder of the tree cannot be listed
    HEALTH_SPACE_LOW,             // the card is (nearly) full
    HEALTH_TAG_LIST_MISSING,      // the device folder has no category list: every wave shows in DEFAULT
    HEALTH_FOLDER_FOR_FILE,       // a folder stands where a parameter or audio file belongs
    HEALTH_AUDIO_SHARED,          // a second parameter file names the audio file of another wave
    HEALTH_SYMLINK,               // a symbolic link in the device tree; nothing is written through it
    HEALTH_EDIT_CUT,              // a renumbering or category change cut off (added by its caller)
    HEALTH_KIND_END
};

// How a finding is repaired.
enum : int32_t {
    HEALTH_FIX_NONE = 0,         // reported only
    HEALTH_FIX_REMOVE_PRM,       // the parameter file is removed (its audio is definitely absent)
    HEALTH_FIX_ADOPT,            // the audio file becomes a new wave in DEFAULT
    HEALTH_FIX_CLEAR_PAD,        // the pad slot is cleared and the kit file rewritten
    HEALTH_FIX_REWRITE_KIT,      // the kit file is written anew from the library
    HEALTH_FIX_REWRITE_WAVELIST, // the wave list file is written anew from the library
    HEALTH_FIX_REMOVE_TEMP,      // the temporary file is removed
    HEALTH_FIX_RECOVER,          // the interrupted restore is finished or rolled back
    HEALTH_FIX_TAG_DEFAULT,      // (repair only) DEFAULT added at the end of the category list
    HEALTH_FIX_REBUILD_TAGS,     // the category list is made anew so that every wave keeps its category
                                 // number: names that can still be read, placeholders for the rest,
                                 // DEFAULT after them; the damaged file is kept beside it
    HEALTH_FIX_END
};

// Where the rebuild keeps the bytes of a category list it replaces, in SYSTEM.
extern const char *const cHEALTH_DAMAGED_TAG_LIST;  // "tag_list.kvb.damaged"

// Below this many free bytes the card counts as full.
constexpr uint64_t kHealthSpaceLow = 1u << 20;

// One thing found ("HFind").
struct sHealthFinding {
    sHealthFinding *next;
    sHealthFinding *prev;
    int32_t kind;                   // HEALTH_* above
    int32_t fix;                    // HEALTH_FIX_* planned, HEALTH_FIX_NONE when reported only
    int32_t number;                 // the wave (or kit) number concerned, -1 for none
    int32_t slot;                   // HEALTH_PAD_DANGLING: pad index x 2, + 1 for the sub-pad; else -1
    char path[kStoragePathMax];     // the file or folder concerned
    char detail[kStoragePathMax];   // why, in one line (UTF-8)
};

// One repair made or tried ("HRep").
struct sHealthRepair {
    sHealthRepair *next;
    sHealthRepair *prev;
    int32_t fix;                    // HEALTH_FIX_*
    int32_t ok;                     // 1 done, 0 failed
    char path[kStoragePathMax];     // the file concerned
    char detail[kStoragePathMax];   // what was done, or why it failed
};

// A check of one card.
struct sHealthReport {
    char root[kStoragePathMax];     // the volume root, ending in "/"
    sWaveList *list;                // the library as read (read-only scan); owned; null without a device folder
    sListBase findings;             // sHealthFinding, grouped by kind
    sListBase repairs;              // sHealthRepair, in the order made
    uint64_t freeBytes;             // free bytes of the card, UINT64_MAX when unknown
    uint64_t totalBytes;            // its size, UINT64_MAX when unknown
};

// --- Checking -----------------------------------------------------------------------

// Checks the card at `root` into `report` (cleared first), changing nothing on
// the card. Returns 0; -1 when the root cannot be listed or holds no device
// folder (report->list null, no findings), or memory runs out.
int waveHealthCheck(const char *root, sHealthReport *report);
// Frees the findings, repairs and library; the record itself stays. Null is ignored.
void waveHealthDispose(sHealthReport *report);
// Appends a finding. Returns it, or null when memory runs out (nothing added).
sHealthFinding *waveHealthAdd(sHealthReport *report, int32_t kind, int32_t fix, const char *path,
                              const char *detail, int32_t number = -1, int32_t slot = -1);
// Appends a repair record. Returns 0, or -1 when memory runs out.
int waveHealthAddRepair(sHealthReport *report, int32_t fix, int ok, const char *path, const char *detail);

// Number of findings; of those a repair is planned for. 0 for null.
int waveHealthFindingCount(const sHealthReport *report);
int waveHealthFixableCount(const sHealthReport *report);
// The short name of a finding kind ("audio_without_parameter"), of a repair
// ("adopt"); "unknown" for anything else.
const char *waveHealthKindName(int32_t kind);
const char *waveHealthFixName(int32_t fix);

// --- Repairing -----------------------------------------------------------------------

// Repairs the card at report->root: the kinds of repair `report` plans, each
// applied to what a fresh check finds as it goes. Appends every repair made
// or tried to report->repairs, then checks the card once more into
// `after` (cleared first; may be null). Returns the number of repairs that
// failed (0 when all succeeded), or -1 when the card could not be read.
int waveHealthApply(sHealthReport *report, sHealthReport *after);
