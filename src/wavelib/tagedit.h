// tagedit: deleting categories, the category window's edit with its undo,
// and the rule that finds a free name for a new category.
//
// Creating a category (waveTagCreate, wavelist.h) keeps the limit of 20. A
// category's position in the category list is the category number its waves'
// parameter files hold, so deleting one marks every wave of a later category
// for saving (their numbers shift down), and its own waves move into the
// default category, marked too.
//
// The category window works on the library directly: its edit saves every
// name when it opens (waveTagEditInitialize), marks the categories it creates,
// and only takes deleted ones out of the category list (waveTagIsTmpDispose)
// until it is confirmed (waveTagEditEffective) or cancelled (waveTagEditCancel).
// A cancel puts removed categories back at the position they had, so the
// parameter files stay right without being rewritten.
#pragma once

#include <cstddef>

#include "wavelib/names.h"
#include "wavelib/wave.h"
#include "wavelib/wavelist.h"

// --- Deleting --------------------------------------------------------------------

// Deletes `tag`: unless it is new in the running edit, waves of later
// categories and its own waves (moved into the default category) are marked for
// saving (their save request set). The default category is only ever deleted
// with the whole library (waveListDispose): callers refuse to delete it (the
// command line answers "cannot delete DEFAULT"), and it is refused here too.
// Returns 0; -1 (nothing changed) for null arguments or the default category.
int waveTagDispose(sWaveList *list, sTag *tag);

// --- The category window's edit ---------------------------------------------------

void waveTagIsTmpCreate(sTag *tag, int flag);
int waveTagIsTmpCreate(const sTag *tag);
// Takes `tag` out of the category list until the edit ends. Returns 0; -1 when
// memory runs out, `tag` is not listed or is the default category (the
// category then stays where it is).
int waveTagIsTmpDispose(sWaveList *list, sTag *tag);
// Saves every category's name. Never fails.
void waveTagEditInitialize(sWaveList *list);
// Confirms the edit: removed categories are deleted (their waves go to the
// default category, marked for saving). Never fails.
void waveTagEditEffective(sWaveList *list);
// Undoes the edit: categories made in it are deleted, removed ones come back
// at their former positions, and unless `keepNames` the saved names return.
// Never fails.
void waveTagEditCancel(sWaveList *list, int keepNames);

// --- Names -------------------------------------------------------------------------

// The category name check (waveTagNameCheck) is the name rule of names.h.

// Writes into `out` (kTagNameLen + 1 bytes) a name based on `name` that no
// category uses: `name`, or "<name>_NN" with the lowest free NN. Never fails.
void waveTagNameAbleToUse(char *out, const sWaveList *list, const char *name);
// 1 when a category (other than `except`) is named exactly `name` (first 15
// bytes, case-sensitive), else 0.
int waveTagSameName(const sWaveList *list, const char *name);
int waveTagSameName(const sWaveList *list, const char *name, const sTag *except);
