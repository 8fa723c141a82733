// kitsave: writing the kit files of a library, and the volume check every
// write to the card starts with.
//
// A kit is written when it exists as a file (or must become one) and changed
// since its file was last written. The card may have been pulled since the
// library was read: its old mount folder is then an empty folder on the
// computer's own disk, and writing there would plant a device tree where no
// card is. So a write starts by checking that the device folder
// "Korvan/KVB-RT/" (any case) is there below the root, and never creates it.
// A kit whose file cannot be written is reported by name and keeps its edited
// mark, so the next save tries it again.
#pragma once

#include "wavelib/wavelist.h"

// Results of waveKitSave and waveVolumeCheck.
enum : int {
    KITSAVE_FAIL_WRITE = -1,   // at least one kit file could not be written (each reported)
    KITSAVE_VOLUME_GONE = -2,  // the device folder is not there below the root; nothing written
};

// Shows a message box: title and text are string-table numbers, `extra` (may
// be null) a UTF-8 line added after two line feeds; returns the button.
typedef int (*waveMboxFn)(int title, int text, const char *extra, int kind);

// --- Volume check ------------------------------------------------------------------

// Returns 0 when `root` holds the device folder "Korvan/KVB-RT/" (any case),
// KITSAVE_VOLUME_GONE otherwise. Changes nothing.
int waveVolumeCheck(const char *root);
// As waveVolumeCheck for the card a library was read from, which must also
// still be that card (cardCheck): one swapped in at the same place counts as gone.
int waveVolumeCheckCard(const sCard *card);

// --- Kit files -------------------------------------------------------------------

// Writes "Korvan/KVB-RT/KIT/kit%03d.kvb" on the library's card for every kit
// with is-file set that is edited (every such kit when `all`), clearing the
// edited mark of each kit written. The KIT folder is created inside an existing device folder
// when missing. A kit that fails is reported through `mbox` (null:
// editProgressBarMboxOpenMsg, over the progress window on the worker) with
// string 100 (DNASTR_ERR_KIT_WRITE) and the kit's name, and stays edited. Returns 0 when all were written,
// KITSAVE_VOLUME_GONE (nothing written, every mark kept) or KITSAVE_FAIL_WRITE.
int waveKitSave(sWaveList *list, int all, waveMboxFn mbox = nullptr);
// Number of kits waveKitSave(list, all) would write. 0 for null.
int waveKitSaveCount(const sWaveList *list, int all);
