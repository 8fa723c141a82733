// import: turns audio files chosen by the user into new waves of the current
// library.
//
// Each accepted file becomes one wave: the next wave number, a name taken from
// the file's name, a byte-for-byte copy of the file in the wave's data folder
// under a name that clashes with nothing there, and a new parameter file; the
// wave joins the category its request names. Without conversion only 44100 Hz
// 16-bit WAV and AIFF files are taken, copied unchanged; a request that asks
// for conversion also takes whatever else libsndfile reads and writes it as a
// canonical 44100 Hz 16-bit WAV file (transfer/convert.h), copying unchanged
// what the device already plays.
//
// Requests come from the main window (files dropped on a category or a pad)
// and the import window; the request step runs them all as one job under the
// progress window. A file refused for itself is reported and the rest go on; a
// full library, no wave number left or no room on the card stop the job.
// Whatever stops a file - refusal, failure, cancel - nothing of it stays:
// neither a wave in the library nor a file on the card. The copy is written
// under a temporary name and renamed into place without replacing anything,
// and the card is synced once when the job ends.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/copy.h"
#include "foundation/list.h"
#include "transfer/convert.h"
#include "wavelib/wave.h"

struct sWaveList;

// Results of waveWaveCreateFromImport, and what became of a request.
enum : int {
    IMPORT_OK = 0,               // imported
    IMPORT_NO_NUMBER = -1,       // the new wave number would pass 9999 (message 71; stops the job)
    IMPORT_NO_CATEGORY = -2,     // the request's category does not exist (no message)
    IMPORT_NO_SPACE = -3,        // larger than the card's free space (message 72; stops the job)
    IMPORT_NO_SIZE = -4,         // the file cannot be examined (message 73)
    IMPORT_COPY_FAILED = -5,     // the copy or the parameter file could not be written (message 74)
    IMPORT_BAD_FORMAT = -6,      // not a 44100 Hz 16-bit WAV or AIFF file (message 75)
    IMPORT_CANCELLED = -7,       // the copy was cancelled (the job ends)
    IMPORT_BAD_PATH = -8,        // the path cannot be split into a file name (message 76)
    IMPORT_NO_MEMORY = -9,       // memory ran out (no message)
    IMPORT_LIBRARY_FULL = -10,   // the library holds 10000 waves (message 70; stops the job)
    IMPORT_NOT_RUN = -11,        // the job stopped or was cancelled before this file
    IMPORT_NEEDS_CONVERT = -12,  // the device cannot play it, conversion would take it (message 75)
};

// Flags of an import request.
enum : uint32_t {
    IMPORT_CONVERT = 1u,  // convert what the device cannot play; copy the rest unchanged
};

// One import request ("ImFile").
struct sImportRequest {
    sImportRequest *next;
    sImportRequest *prev;
    int32_t category;  // position of the category in the library's category list
    char *path;        // the file (UTF-8 byte path), owned ("fnLen")
    uint32_t flags;    // IMPORT_CONVERT or 0
    char name[kWaveNameLen + 1];  // the wave's name (Shift-JIS); "" names it after the file
};

// Called on the worker for each request in order: its path, the result, the
// new wave (null unless IMPORT_OK), for a request with IMPORT_CONVERT that
// was imported how the file reached the card (else null), and why a file was
// not imported ("" when it was; the system's reason included where there is
// one); `ctx` as registered. A run with a report shows no per-file message boxes.
typedef void (*waveImportReportFn)(const char *path, int result, const sWave *wave, const sConvertResult *how,
                                   const char *why, void *ctx);

// --- Requests -----------------------------------------------------------------------

// The pending requests, in the order made.
extern sListBase gImportFile;

// Appends a request for `path` into category `category`. Returns 0, or -1
// (nothing added) for an empty path or when memory runs out.
int waveImportSetRequest(int category, const char *path);
// As waveImportSetRequest, with IMPORT_* request `flags`.
int waveImportSetRequestEx(int category, const char *path, uint32_t flags);
// As waveImportSetRequestEx, the wave named `name` (Shift-JIS bytes, kept
// where the name rule takes them; null or "": named after the file).
int waveImportSetRequestNamed(int category, const char *path, uint32_t flags, const char *name);
// Frees every pending request. Never fails.
void waveImportSetRequestCancel(void);
// Each imported wave of the next run goes to the selected pad of the selected
// kit. Never fails.
void waveImportSetPadAssign(void);

// --- Running ---------------------------------------------------------------------------

// Registers the per-request report (null: none). Never fails.
void waveImportSetReport(waveImportReportFn report, void *ctx);
// With requests pending: checks that the card of `list` is still there
// (message 88 and -2 when not: the caller closes the main window), then runs
// every request as one job under the progress window, the new waves joining
// `list`; `select` non-zero adds each imported wave to the touched waves. Always leaves the request list empty and clears
// the pad assignment. Returns the number of files not imported (0 also when
// nothing was pending), -1 when the job could not be started, -3 when the
// closing sync of the card failed.
int waveImportCalc(sWaveList *list, int select);
// The job's cancel function: stops the copy in progress and the job. Any thread.
void waveImportSetCancel(void);
// The job: runs the requests of its input record (made by waveImportCalc).
// Returns 1.
int importThreadFunc(void *arg);

// --- One file ------------------------------------------------------------------------------

// Imports the file at `path` into `list` (and its card) and category number
// `category`, passing `progress` on to the copy. Returns IMPORT_OK with the new wave in
// `*wave`, or a negative IMPORT_* code with the library, the card and `*wave`
// (null) as they were.
int waveWaveCreateFromImport(sWave **wave, sWaveList *list, int category, const char *path,
                             rliCopyProgressFn progress);
// As waveWaveCreateFromImport with IMPORT_* request `flags`, stopping a
// conversion when `cancel` (may be null) is raised; with IMPORT_CONVERT fills
// `how` (may be null) when the file was imported. The room asked of the card
// is the size of what is written, in whole clusters. A `name` (may be null)
// names the wave instead of the file's name, made to pass the name rule.
int waveWaveCreateFromImportEx(sWave **wave, sWaveList *list, int category, const char *path, uint32_t flags,
                               rliCopyProgressFn progress, const std::atomic<int32_t> *cancel, sConvertResult *how,
                               const char *name = nullptr);
// As waveWaveCreateFromImportEx; for a code that has a message first calls
// `mbox(56, text, 0)`, the text naming the file where the message asks for it.
int waveWaveCreateFromImportMbox(sWave **wave, sWaveList *list, int category, const char *path, uint32_t flags,
                                 int (*mbox)(int title, const wchar_t *text, int kind), rliCopyProgressFn progress,
                                 const std::atomic<int32_t> *cancel, sConvertResult *how, const char *name = nullptr);
