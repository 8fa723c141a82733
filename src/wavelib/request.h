// request: the deferred requests of the library and the jobs that serve them.
//
// Edits never write to the card directly: they change the library in memory
// and raise a request here (a bit of the request word gStatus, the sort
// request, the delete list, the pad-exchange values: one record,
// sWaveRequestState, that waveRequestReset empties). Once per pass of the
// main loop the request step (app/docalc.h) serves what was raised, running
// the jobs below under the progress window, each on the library it is given.
//
// What a job could not do stays requested and is reported, never skipped in
// silence: a wave whose parameter file cannot be written keeps its save mark,
// a kit its edited mark, a wave whose audio file cannot be deleted stays in the
// library with its parameter file. Each such failure is shown in a message box
// naming the wave (over the progress window when a job runs) and is noted in
// gWaveRequestFailure, where callers without windows read the file and errno.
//
// Every job starts with the volume check (waveVolumeCheck, kitsave.h): a card
// pulled since it was read leaves its mount folder behind, and writing there
// would plant a device tree on the computer's own disk.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/list.h"
#include "wavelib/storage.h"
#include "wavelib/wave.h"

struct sWaveList;

// --- The request state ------------------------------------------------------------

// Bits of the request word.
enum : uint32_t {
    WAVE_STATUS_KIT_SAVE = 0x001,       // write the edited kits' files
    WAVE_STATUS_TAG_SAVE = 0x004,       // write the category list
    WAVE_STATUS_RENUMBERING = 0x008,    // run the renumbering job
    WAVE_STATUS_WAVE_SAVE = 0x010,      // write the parameter files of waves marked for saving
    WAVE_STATUS_DISPOSE_ASK = 0x040,    // ask before deleting the waves of the delete list
    WAVE_STATUS_IMPORT_SELECT = 0x080,  // select the imported waves afterwards (for the import step)
    WAVE_STATUS_PAD_EXCHANGE = 0x100,   // run the pad exchange job
};

// A pad slot is pad index x 2 for the pad's wave, + 1 for its sub-wave.
constexpr int kPadSlotCount = kKitPadCount * 2;

// What the pad exchange job swaps.
struct sWavePadExchange {
    sWave *wave1;   // the wave now in slot1, or null
    sWave *wave2;   // the wave now in slot2, or null
    int32_t slot1;  // first pad slot of the selected kit
    int32_t slot2;  // second pad slot
};

// One thing a job could not do ("RqFail").
struct sWaveRequestFailure {
    sWaveRequestFailure *next;
    sWaveRequestFailure *prev;
    int32_t text;                 // string number of the message shown (eDNASTR)
    int32_t err;                  // errno of the failed call, 0 where there is none
    char name[64];                // the wave's or kit's name (UTF-8), may be empty
    char path[kStoragePathMax];   // the file or folder concerned (UTF-8), may be empty
};

// Every request raised and not served yet, and what the jobs could not do.
struct sWaveRequestState {
    uint32_t status;               // the request word: WAVE_STATUS_* bits raised
    int32_t sortRequest;           // non-zero: sort the views at the end of the request step
    sListBase deleteWave;          // sListItem ("wIter") -> sWave waiting for deletion, in request order
    sWavePadExchange padExchange;  // the slots and waves the pad exchange swaps
    sListBase failures;            // sWaveRequestFailure noted since the last reset, in the order met
};

// The program's request state, and its fields under the names the windows
// and the request step use.
extern sWaveRequestState gWaveRequest;
inline uint32_t &gStatus = gWaveRequest.status;
inline int32_t &gbSortRequest = gWaveRequest.sortRequest;
inline sListBase &gDeleteWave = gWaveRequest.deleteWave;
inline sWavePadExchange &gPadExchange = gWaveRequest.padExchange;
inline sListBase &gWaveRequestFailure = gWaveRequest.failures;

// Drops every raised request and every noted failure, as at start-up; waves
// and kits keep their own save marks. Never fails.
void waveRequestReset(void);

// --- Raising requests -----------------------------------------------------------------

// Each sets its bit. Never fail.
void waveKitSaveRequest(void);
void waveTagSaveRequest(void);
void waveListRenumberingRequest(void);
void waveWavePadExchangeRequest(void);
void waveListWaveImportSelectReqeust(void);
// Appends `wave` to the delete list (once); `confirm` non-zero sets the ask
// bit, zero clears it. Disposing of a wave takes it off the list. Returns 0,
// or -1 (list unchanged) for null or when memory runs out.
int waveWaveDisposeFileRequest(sWave *wave, int confirm);
// Empties the delete list. Never fails.
void waveWaveDisposeFileRequestClear(void);
// Set, read and clear the sort request. Never fail.
void waveListSortItAllRequest(void);
int waveListSortRequest(void);
void waveListSortRequestClear(void);
// Remembers two waves (either may be null) and two pad slots of the selected
// kit: the job puts wave2 into slot1 and wave1 into slot2. Never fails.
void waveWavePadExchange(sWave *wave1, sWave *wave2, int slot1, int slot2);

// --- Failures ------------------------------------------------------------------------------

// Notes a failure; the note is lost when memory runs out. Never fails.
void waveRequestFailureNote(int text, const char *name, const char *path, int err);
// Notes a failure and shows message `text` (title 56) with `name` (UTF-8)
// appended, over the progress window when a job runs. Never fails.
void waveRequestFailureReport(int text, const char *name, const char *path, int err);
// The message-box function the jobs hand to the kit save: an error box is
// noted as a failure (`extra`, the kit's name, as its name) and shown as
// waveRequestFailureReport shows. Returns the button.
int waveRequestKitMbox(int title, int text, const char *extra, int kind);
// Empties the failures noted. Never fails.
void waveRequestFailureClear(void);
// Whether noted failures are also shown in message boxes: 1 (the desktop's
// way, and the start), or 0 for a caller that reports the notes itself so
// each failure is told once. Never fails.
void waveRequestFailureShow(int show);

// --- Jobs ----------------------------------------------------------------------------------

// What a request job works on; the request step hands it over.
struct sWaveJob {
    sWaveList *list;              // the library; its card is the one written
    sWaveRequestState *requests;  // the requests served: the delete list, the pad exchange, the sort request
};

// Writes the parameter file of every wave of `list` marked for saving, on the
// library's card; a wave written has its mark cleared, any other keeps it
// (missing or unusable audio: messages 83 / 84; a failed write: message
// 102). Returns 0 when every marked wave was written, -1 when one was not,
// KITSAVE_VOLUME_GONE (nothing written).
int waveSave(sWaveList *list);
// The save job (`arg`: sWaveJob): waveSave, then the sort when it is
// requested. Returns 1.
int waveSaveFunc(void *arg);
// The delete job (`arg`: sWaveJob): empties the pads holding a wave of the
// delete list and writes their kits first; when a kit cannot be written no
// file is deleted (the kit save reports it). Then deletes each wave
// (waveDisposeFile) and empties the list. Returns 1.
int waveDeleteFunc(void *arg);
// Deletes the wave's audio file, then its parameter file (on the library's
// card), then the wave; the kits whose pads held it are marked edited. When
// the audio file cannot be deleted nothing else happens (message 103) and -1
// is returned; a parameter file that cannot be deleted is reported, the wave
// still goes. Returns 0; -1 as said or for null arguments.
int waveDisposeFile(sWaveList *list, sWave *wave);
// The pad exchange job (`arg`: sWaveJob): exchanges the two remembered slots
// of the selected kit and writes its file. Returns 1.
int wavePadExhange(void *arg);
// Writes wave list file `which` (0 to kStorageWaveListFiles - 1, in the order
// of cSTORAGE_FILE_WAVE_LISTS) of `list` at `path`. Returns 0, or -1 with the
// old file untouched.
int waveListWriteListFile(sWaveList *list, int which, const char *path);
// The bytes waveListWriteListFile writes; "" for `which` out of range. Never fails.
std::string waveListListFileText(const sWaveList *list, int which);
// The wave list job (`arg`: sWaveJob): writes the three wave list files into
// SYSTEM (message 104 for one that fails), the views sorted first. Returns 1.
int waveListSaveCB(void *arg);
// Runs waveListSaveCB for `list` under the progress window (message 51).
// Returns 0 when all three were written, -1 when one was not or the card is gone.
int waveListSave(sWaveList *list);
// Returns whether the file at `path` holds exactly `text` (false when it is
// absent or cannot be read). Changes nothing.
bool waveListFileHolds(const char *path, const std::string &text);
// Returns whether `list`'s card holds each of the three wave list files as
// `list` would write them now (its views sorted first): false when one is
// absent, unreadable or different, or the card is gone.
bool waveListListFilesCurrent(sWaveList *list);

// --- Texts -----------------------------------------------------------------------------------

// Returns text `message` of the string table, two line feeds, and the base
// name and extension of UTF-8 `name` (a name or a path). The result lives in
// one process-wide buffer until the next call. Never null.
const wchar_t *strMessageAddFilename(int message, const char *name);
