// global: the application state block `G`, the one process-wide record every
// layer reads.
//
// It lives at the bottom of the layers so that the platform layer can toggle
// the view flags when a View command arrives and the resource loader can find
// its current directory without either reaching upward. Fields are added by the
// modules that need them; records of higher layers are only forward-declared.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"

struct sWaveList;
struct _sGifQueue;

// Capacity of the loader's current directory, in wide characters.
constexpr size_t kGlobalDirMax = 1024;
// Capacity of the volume root, in bytes.
constexpr size_t kGlobalRootMax = 4096;

// View flag bits, changed by the View menu.
enum : uint32_t {
    VIEW_LIST_BY_NUMBER = 1u << 0,  // waves listed by number
    VIEW_LIST_BY_NAME = 1u << 1,    // waves listed alphabetically
    VIEW_SHOW_CATEGORIES = 1u << 2, // category column shown
    VIEW_AUTO_PLAY = 1u << 3,       // a selected wave plays at once
};

// Value of the view flags after rkeGlobalInit: by number, categories shown.
constexpr uint32_t kViewFlagsInitial = VIEW_LIST_BY_NUMBER | VIEW_SHOW_CATEGORIES;

struct _sGlobal {
    sListBase files;                    // sRkeFile (resource/pack.h): the pack, then the string table
    wchar_t currentDir[kGlobalDirMax];  // where relative resource names resolve; empty = none set
    uint32_t viewFlag;                  // VIEW_* bits
    sListBase waveLists;                // sWaveList, the libraries open
    sWaveList *currentWaveList;         // the library the screens show, or null
    char volumeRoot[kGlobalRootMax];    // the card's root folder (UTF-8, ending in "/"); empty = none
    _sGifQueue *gifQueue;               // the toolkit's message queue (gui/gifqueue.h); made by the desktop start-up
};

extern _sGlobal G;

// --- Life cycle ---------------------------------------------------------------

// Clears the block and sets the view flags to their initial value. Returns 1.
int rkeGlobalInit(void);
// Clears the block. Never fails.
void rkeGlobalTerm(void);
