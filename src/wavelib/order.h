// order: the orders of waves and categories, arranging categories, the
// clash-free naming of audio files, and renumbering.
//
// Orders. Waves sort alphabetically over their 12 name bytes (zero fill
// included), each byte signed, "A" to "Z" folded to lower case, ties by wave
// number; or by wave number. Categories are shown by descending order key;
// after any arranging the keys run from 0 for the category shown last up to
// count - 1 for the first. The category list itself (whose positions are the
// category numbers in the parameter files) is never reordered by arranging.
//
// Naming. An audio file placed into a data folder keeps its base name (its
// same-name suffix "_NN" removed) and extension when no file of that folder
// has it; otherwise it gets "_NN" with one more than the highest suffix in use.
// Names are compared without regard to ASCII case, as the card's file system
// does, and cut to the 16 bytes the device keeps.
//
// Renumbering gives the waves the numbers 0, 1, 2, ... in their number order,
// moving audio and parameter files and the pads that name them. It is built on
// one planning routine: the dry run (listRenumberingPlan) reports exactly the
// steps the real run would take and changes nothing. The real run
//  - removes a parameter file only when its audio file is definitely absent
//    (the lookup says "no such file" and the data folder lists without it in
//    any case), never when the audio merely cannot be examined;
//  - never lets a move replace another file: a clash the plan did not foresee
//    takes the next free suffix; a file moving onto its own path is a no-op;
//  - writes a wave's new parameter file as an update of its old one (unknown
//    elements kept) before removing the old one;
//  - stops at the first failed move, removal or write: that wave keeps its old
//    number, files and pads, what was done before stays done, and the kit
//    files are written for what changed. listRenumberingResult says what failed.
// A card whose waves are already numbered without gaps (and whose pads name
// only waves that exist) is not written at all. The whole run syncs the file
// system once, at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/list.h"
#include "wavelib/wave.h"
#include "wavelib/wavelist.h"

// --- Compare functions -----------------------------------------------------------
// For the stable list sort (foundation/list.h) over the records themselves:
// 1 when `a` must come after `b`, else 0. The *Wave* ones take sWave
// pointers, tagSortOrderCompare sTag, kitSortNumberCompare sKit.

int waveSortAlphabetCompare(const void *a, const void *b);
int tagSortWaveAlphabetCompare(const void *a, const void *b);
int waveSortWaveNumberCompare(const void *a, const void *b);
int tagSortWaveNumberCompare(const void *a, const void *b);
int tagSortOrderCompare(const void *a, const void *b);
int kitSortNumberCompare(const void *a, const void *b);
// The alphabetical rule as a strict "comes before" on two waves. Never fails.
bool waveAlphabetBefore(const sWave *a, const sWave *b);

// --- Arranging categories ------------------------------------------------------------

// Renumbers the order keys from the category order view (last shown gets 0).
// Nothing for an empty view.
void waveListTagOrderJustified(sWaveList *list);
// Moves `moved` directly below (After) / above (Before) `anchor` in the display
// order, renumbers the keys, rebuilds and sorts the view and notes `moved` in
// gOrderChangeTag. Returns 0; -1 (nothing changed) when either is not shown,
// they are the same category, or the view cannot be rebuilt.
int waveTagReplacementAfter(sWaveList *list, sTag *anchor, sTag *moved);
int waveTagReplacementBefore(sWaveList *list, sTag *anchor, sTag *moved);

// --- Naming audio files ----------------------------------------------------------------
// These read the data-folder name cache (storage.h), loading the wave's folder
// (wave number / 100) from the library's card when needed.

// Number of files of the wave's data folder with the wave's base name (suffix
// removed) and extension; a placed entry is compared by its whole name, any
// other by its name with the suffix removed. 0 for null arguments.
int waveSameNameCount(sWaveList *list, const sWave *wave);
// Highest same-name suffix among the folder's files whose suffix-less name is
// the wave's base name (any extension); at least 0. 0 for null arguments.
int waveSameNameMaxNumber(sWaveList *list, const sWave *wave);
// Returns the length of the longest start of Shift-JIS `text` of at most
// `max` bytes that does not end inside a two-byte character.
size_t waveSjisCutLength(const char *text, size_t max);
// Writes into `out` (17 bytes) the clash-free file name (Shift-JIS, cut to 16
// bytes on a character boundary) the wave gets in its current data folder.
// Never fails; null arguments give an empty name.
void waveSameNameFilename(sWaveList *list, const sWave *wave, char *out);

// --- Renumbering -------------------------------------------------------------------------

// What one planned step does.
enum : int32_t {
    RENUMBER_STEP_ORPHAN = 1,  // the wave's audio file is absent: its parameter file is removed, the wave dropped
    RENUMBER_STEP_PAD_CLEAR,   // a pad slot names no wave: it is cleared
    RENUMBER_STEP_MOVE,        // a wave gets a new number: audio file and parameter file move
};

// One planned step ("RnStep").
struct sRenumberStep {
    sRenumberStep *next;
    sRenumberStep *prev;
    int32_t kind;             // RENUMBER_STEP_*
    int32_t oldNumber;        // ORPHAN, MOVE: the wave's number; PAD_CLEAR: the number the slot named
    int32_t newNumber;        // MOVE: the new number; else -1
    int32_t kit;              // PAD_CLEAR: kit number; else -1
    int32_t pad;              // PAD_CLEAR: pad index 0 to 14; else -1
    int32_t sub;              // PAD_CLEAR: 1 for the sub-wave slot; else 0
    char name[kWaveNameLen + 1];              // the wave's name (Shift-JIS); empty for PAD_CLEAR
    char oldFileName[kWaveFileNameLen + 1];   // MOVE: the audio file's name (Shift-JIS) before
    char newFileName[kWaveFileNameLen + 1];   // MOVE: and after
    char oldAudioPath[1024];  // ORPHAN, MOVE: the audio file on disk (UTF-8) before
    char newAudioPath[1024];  // MOVE: after
    char oldPrmPath[1024];    // ORPHAN, MOVE: the parameter file before
    char newPrmPath[1024];    // MOVE: after
};

// The outcome of the last real run.
struct sRenumberResult {
    int32_t status;            // 0 done; RENUMBER_FAIL_* otherwise
    int32_t renumbered;        // waves that got a new number
    int32_t removed;           // orphan waves removed
    int32_t padsCleared;       // dangling pad slots cleared
    int32_t failedNumber;      // the wave the run stopped at (its old number), -1 for none
    char failedName[kWaveNameLen + 1];  // its name (Shift-JIS)
    char failedPath[1024];     // the file or folder that could not be handled
    int32_t err;               // errno of that failure
    int32_t kitStatus;         // result of the kit save at the end (waveKitSave)
};

// Failure codes of sRenumberResult::status and listRenumbering.
enum : int32_t {
    RENUMBER_FAIL_VOLUME = -2,  // the device folder is gone; nothing was done
    RENUMBER_FAIL_STEP = -1,    // a move, removal, folder or write failed (failed* say which)
    RENUMBER_FAIL_KITS = -3,    // every wave was handled but a kit file could not be written
    RENUMBER_FAIL_MEMORY = -4,  // the plan could not be made (memory, or a path over 1023 bytes); nothing was done
};

// Fills `steps` (an empty list; the caller frees it with rliListFreeList) with
// every change a run would make on the library's card, in the order it makes them. Changes no file and no record. Returns 0, or
// RENUMBER_FAIL_VOLUME / RENUMBER_FAIL_MEMORY (`steps` then empty).
int listRenumberingPlan(sWaveList *list, sListBase *steps);
// Renumbers `list` and its card. Returns 0 when done (kit files included), or a RENUMBER_FAIL_* code; see listRenumberingResult. The library
// is left consistent with the card either way and is sorted.
int listRenumbering(sWaveList *list);
// Finishes a renumbering cut off on the library's card: `list` is a fresh scan
// of the card (each wave with one parameter file, see app/journal.h) and
// `journal` the journal the run wrote. Renumbers the waves still waiting, then
// writes the kits as the journal says, and removes the journal once the card
// is whole. Returns as listRenumbering.
int listRenumberingFinish(sWaveList *list, const std::string &journal);
// The progress-window job: listRenumbering of `arg`, the library. Returns 1.
int listRenumberingFunc(void *arg);
// The outcome of the last listRenumbering. Never null.
const sRenumberResult *listRenumberingResult(void);
