// card: the card a library was read from, and the way to every path on it.
//
// A library (sWaveList) holds the card it belongs to and closes it when it is
// disposed of; a restore, which works without a library, opens one of its
// own. Today the record holds the card's root folder; what identifies the
// card and keeps a second writer away will live here too, which is why every
// path on the card is built through cardPath rather than from a root string.
#pragma once

#include <cstddef>

#include "foundation/global.h"

// One card ("Card").
struct sCard {
    char root[kGlobalRootMax];  // the folder the card is mounted at (UTF-8, ending in "/")
};

// --- Opening and closing -------------------------------------------------------------

// Returns a new record for the card mounted at `root` (a "/" is added when it
// ends in neither "/" nor "\"), or null when `root` is null, empty or too
// long, or memory runs out. Nothing on the card is touched.
sCard *cardCreate(const char *root);
// Frees the record; null is ignored.
void cardClose(sCard *card);

// --- Paths ---------------------------------------------------------------------------

// Returns the root folder, ending in "/"; "" for null. Changes nothing.
const char *cardRoot(const sCard *card);
// Writes into `out` (capacity `cap`) the path of `relative` on the card
// ("Korvan/KVB-RT/KIT/kit007.kvb"), the folders of the way as spelled on disk
// (wstorageDevicePath). Returns 0, or -1 (`out` empty) for a null card or
// when the path does not fit.
int cardPath(const sCard *card, char *out, size_t cap, const char *relative);
// Makes the missing folders of `relative`, a folder of the device tree, inside
// the card's device folder, never the device folder itself (wstorageMakeDir).
// Returns 0, or -1 with errno set (ENOENT: the device folder is gone).
int cardMakeDir(const sCard *card, const char *relative);
