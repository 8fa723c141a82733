// wave: the records of a card's library (waves, categories, kits, pads).
//
// Plain records linked through intrusive lists; every one starts with its
// two links. Names are byte strings in the device's encoding (Shift-JIS) with
// room for a terminating zero; copies into them are cut at the field's length
// and the rest stays zero. The parameter files are read into and written from
// these records; the library that owns them builds on this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"

// Name lengths in bytes, terminating zero not counted.
constexpr size_t kWaveNameLen = 12;
constexpr size_t kWaveFileNameLen = 16;
constexpr size_t kWaveDataFolderLen = 2;
constexpr size_t kTagNameLen = 15;
constexpr size_t kKitNameLen = 8;
constexpr size_t kKitSubNameLen = 16;
// Pads of one kit.
constexpr int kKitPadCount = 15;

struct sTag;
struct sKit;

// A list node that shows one record (a member of a category, a pad of a kit,
// a wave in a sorted view).
struct sListItem {
    sListItem *next;  // list links
    sListItem *prev;
    void *item;       // the record shown; not owned
};

// One wave ("Wave").
struct sWave {
    sWave *next;                               // in the library's wave list
    sWave *prev;
    char name[kWaveNameLen + 1];               // name as the device shows it
    char fileName[kWaveFileNameLen + 1];       // audio file's name in its data folder
    char dataFolder[kWaveDataFolderLen + 1];   // data folder, two digits
    int32_t waveNumber;                        // 0 to 9999, unique in the library
    int32_t isNew;                             // 1 when imported since the library was built
    sTag *category;                            // the wave's one category, or null
    int32_t saveRequest;                       // 1 when its parameter file must be written
};

// One category ("Tag", or "FTag" when read from the category list).
struct sTag {
    sTag *next;                                // in the library's category list
    sTag *prev;
    char name[kTagNameLen + 1];                // the category's name
    int32_t order;                             // display order key, never negative
    int32_t isOpen;                            // 1 when shown expanded
    sListBase members;                         // sListItem -> sWave, in the order added
    sListBase membersAlphabet;                 // the same, alphabetical after a sort
    sListBase membersNumber;                   // the same, by wave number after a sort
    int32_t isNewInEdit;                       // 1 when made while the category window is open
    char savedName[kTagNameLen + 1];           // name when the category window opened
};

// One pad ("Pad", or "PadF" when read from a kit file).
struct sPad {
    sPad *next;             // in the library's pad list
    sPad *prev;
    int32_t waveNumber;     // assigned wave, -1 for none
    int32_t subWaveNumber;  // second assigned wave, -1 for none
    sKit *kit;              // the kit the pad belongs to
};

// One kit ("Kit", or "KitF" when read from a kit file).
struct sKit {
    sKit *next;                          // in the library's kit list
    sKit *prev;
    int32_t kitNumber;                   // 0 to 99
    char name[kKitNameLen + 1];          // the kit's name
    char subName[kKitSubNameLen + 1];    // its second name line
    sListBase pads;                      // sListItem -> sPad, the 15 pads in pad order
    int32_t isFile;                      // 1 when it exists (or must be written) as a file
    int32_t edited;                      // 1 when changed since its file was written
};

// --- Categories ---------------------------------------------------------------

// Returns a new category ("FTag") named with at most 15 bytes of `name`, its
// order `order` (negative stored as 0); null when memory runs out.
sTag *tagCreate(const char *name, int order);
// Frees the category's member nodes and the category; null is ignored.
void tagDispose(sTag *tag);

// --- Kits -------------------------------------------------------------------------

// Returns pad `index` of the kit (0 to 14), null when it has no such pad.
sPad *waveKitPadPtr(const sKit *kit, int index);
