// wavecopy: waves of one card copied onto another.
//
// A copied wave goes through the import like any audio file (transfer/import.h):
// it gets the target's next number, its audio file a clash-free name made from
// the wave's name, the room on the card is checked and a file the device
// cannot play is refused unless conversion is asked for. What the copy keeps
// is what the source card knew of the wave: its name, byte for byte, and its
// category, found on the target by name or made there. Kits belong to a card
// and are not copied. Both libraries stay in memory while the import runs;
// the caller holds both cards' locks.
#pragma once

#include <cstdint>

struct sTag;
struct sWave;
struct sWaveList;

// How the target's category was found (waveCopyTargetTag).
enum : int {
    WAVECOPY_TAG_FOUND = 0,    // the target has a category of that name (or it is DEFAULT)
    WAVECOPY_TAG_MADE = 1,     // made on the target: its category list must be written
    WAVECOPY_TAG_FULL = 2,     // the target holds 20 categories: DEFAULT instead
    WAVECOPY_TAG_REFUSED = 3,  // the name breaks the name rule, so it is not made: DEFAULT instead
};

// Returns the category of `to` that a wave of category `from` (null: none)
// joins: the one named the same without regard to case, else a new one shown
// first, else DEFAULT; `*how` (may be null) gets WAVECOPY_TAG_*. Returns null
// (nothing made) when `to` has no DEFAULT or memory runs out.
sTag *waveCopyTargetTag(sWaveList *to, const sTag *from, int *how);
// Requests the import of `wave`, a wave of `from`, into category number
// `category` of the library the request step runs for, named as `wave` is,
// with IMPORT_* `flags`. Returns 0; -1 (nothing requested) when the wave's
// audio file has no path on its card or memory runs out.
int waveCopySetRequest(const sWaveList *from, const sWave *wave, int category, uint32_t flags);
