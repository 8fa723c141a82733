// export: copies the audio files of chosen waves out of the card into a folder
// the user picks, named after each wave's name (not its stored file name).
//
// The main window asks for one export per chosen wave; the request step then
// asks for the target folder and runs every request as one job under the
// progress window. Files are copied unchanged. Nothing in the target folder is
// ever replaced: a name already taken gets a running number ("Kick_1.wav"),
// and the copy lands under its final name only by a rename that refuses to
// replace, so a file of that name appearing meanwhile is not lost either. A
// cancelled or failed copy leaves no file behind, partial or whole, and every
// wave that was not exported is reported.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/copy.h"
#include "foundation/list.h"

struct sWave;
struct sWaveList;

// What became of one export request.
enum : int {
    EXPORT_OK = 0,           // copied; the target path was reported
    EXPORT_BAD_NAME = -1,    // the wave's name holds a character file names cannot (message 89)
    EXPORT_COPY_FAILED = -2, // the source could not be read or the target not written
    EXPORT_NOT_RUN = -3,     // the job was cancelled, or stopped, before this wave
};

// Called on the worker for each request in order with the wave, the written
// path (null unless EXPORT_OK) and the result; `ctx` as registered.
typedef void (*waveExportReportFn)(const sWave *wave, const char *target, int result, void *ctx);
// Writes the chosen folder (ending in "/") into `buf` (capacity `cap`); `user`
// as registered. Returns 1 when one was chosen, 0 when the choice was cancelled.
typedef int (*waveExportDirFn)(void *user, char *buf, size_t cap);

// --- Requests ------------------------------------------------------------------

// The waves to export, in request order: sListItem ("wIter") -> sWave.
extern sListBase gExportWave;

// Appends a request for `wave`. Returns 0, or -1 (nothing added) for a null
// wave or when memory runs out.
int waveExportSetRequest(sWave *wave);
// Frees every pending request. Never fails.
void waveExportSetRequestCancel(void);

// --- Running -------------------------------------------------------------------------

// Replaces how the target folder is chosen (null: the platform's folder
// dialog, starting in the stored backup-save folder). The command line sets a
// chooser that answers with its --to folder. `user` is handed back to it.
// Never fails.
void waveExportSetDirChooser(waveExportDirFn chooser, void *user);
// Registers the per-request report (null: none). Never fails.
void waveExportSetReport(waveExportReportFn report, void *ctx);
// With requests pending: checks that the card of `list`, which the waves
// belong to, is still there (message 88 and -2 when not), asks for the target
// folder and runs every request as one job under the progress window. Always leaves the request list empty. Returns
// the number of waves not exported (0 also when nothing was pending or the
// folder choice was cancelled), -1 when the job could not be started, -2
// when the card is gone, -3 when the final sync of the target folder failed.
int waveExportCalc(const sWaveList *list);
// The job's cancel function: the job stops before the next wave. Any thread.
void waveExportSetCancel(void);
// The job: exports the requests of its input record (made by waveExportCalc)
// into the chosen folder. Returns 1.
int exportThreadFunc(void *arg);

// --- Shared with import -----------------------------------------------------------------

// Copies `src` to the new file `dst` without ever replacing anything at `dst`:
// the copy is made under a temporary name beside `dst` and renamed only when
// no name `dst` exists. `cancellable` copies through rliFileCopyAsync (with
// `progress`, and its cancel flag). Returns 0; -1 when the copy failed; -2
// when cancelled; -3 when `dst` exists. No file is left behind on failure.
int transferCopyNew(const char *src, const char *dst, rliCopyProgressFn progress, bool cancellable);
