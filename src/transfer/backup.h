// backup: saving the whole maker folder of a card into one backup file, and
// putting a backup back onto a card.
//
// A backup holds every ".kvb", ".aif", ".aiff" and ".wav" file below
// "Korvan/" (folders beginning with "." are not entered) in the archive format
// of archive.h, in a file named "KVB-RT-BKUP-ALL.kvb" in a folder the user
// picks. Before archiving, the card's category list and its three wave list
// files are written from the library, so the backup matches what the library
// shows. The archive is written under a temporary name and replaces an older
// backup only when it is complete: a declined, failed or cancelled backup
// leaves the older one as it was, and a declined one writes nothing at all.
//
// A restore never touches the card before it knows the whole backup is sound
// and complete on the card:
//   1. the whole archive is verified (checksums, types, sizes, end blocks,
//      safe names); a refused archive changes nothing;
//   2. it is unpacked into a staging folder, "Korvan/.kvbrt-restore/new/";
//      the leading "." keeps every backup walk and clean-up away from it;
//   3. a journal ("Korvan/.kvbrt-restore/journal") is written, listing every
//      file the backup brings and every folder the card still lacks; then the
//      card's files that the restore replaces or removes (the four extensions
//      anywhere below "Korvan/", and any file the backup brings) are moved
//      aside into ".../old/" (journal phase "aside"), the staged files are
//      renamed into place (phase "place"), the journal is marked "done" and
//      the staging folder is removed.
// Every step is a rename on the same volume, so a restore cut off at any point
// (crash, pulled card) leaves a card that restoreRecover can take either to
// the restored state or back to the old one; nothing is ever a mix once it
// has run. When the volume has no room for the staging copy, the restore may
// unpack in place instead (after verifying), but only after a second, explicit
// confirmation: then the old files are removed first, as in older versions.
//
// Cancel: the backup and the unpacking read the cancel flag after every
// buffer and file; a cancelled backup leaves the older backup, a cancelled
// restore leaves the old card (the staging folder is removed). The renames of
// the final phase take moments and are not cancelled once begun. A restore in
// place can be cancelled too, but the old files are gone by then.
//
// Messages go through the progress window's message boxes (job.h) with the
// string-table texts; the caller gets the readable reason too (naming the
// file), for a command line.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "transfer/archive.h"

struct sWaveList;

// The fixed name of a backup file.
extern const char *const cBACKUP_FILE_NAME;      // "KVB-RT-BKUP-ALL.kvb"
// The staging folder below the maker folder (the leading "." matters).
extern const char *const cBACKUP_STAGING_NAME;   // ".kvbrt-restore"
// Capacity of the request paths.
constexpr size_t kBackupPathMax = 2048;
// Capacity of the readable reason a sequence hands back.
constexpr size_t kBackupErrorMax = 1024;

// --- Requests ------------------------------------------------------------------

// UTF-8 path of the backup file to write; empty when no backup is requested.
extern char gExportFilename[kBackupPathMax];
// UTF-8 path of the backup file to restore; empty when no restore is requested.
extern char gImportFilename[kBackupPathMax];

// Copy `path` into the request (cut to fit) and return the request. Never fail.
const char *waveBackupExportSetRequest(const char *path);
const char *waveBackupImportSetRequest(const char *path);
// The jobs' cancel functions (any thread) and their flags. Never fail.
void waveBackupExportSetCancel(void);
int waveBackupExportGetCancel(void);
void waveBackupImportSetCancel(void);
int waveBackupImportGetCancel(void);

// --- Outcomes ---------------------------------------------------------------------

// What a backup or restore sequence ended with.
enum : int {
    BACKUP_DONE = 0,          // the backup was written / the card holds the backup
    BACKUP_FAILED = -1,       // it could not be done; reason in the result
    BACKUP_CANCELLED = -2,    // cancelled: the older backup / the old card is kept
    BACKUP_DECLINED = -3,     // a question was answered no: nothing was written
    BACKUP_PENDING = -4,      // restore only: cut off in its final phase and could not be
                              // rolled back; restoreRecover must finish it
};

// What a sequence reports besides its outcome.
struct sBackupResult {
    int status;                    // BACKUP_*
    long files;                    // files archived / restored
    uint64_t bytes;                // their data bytes
    int inPlace;                   // restore: 1 when it unpacked in place (no staging)
    int noRoom;                    // restore: 1 when the card had no room to stage it, 2 not even in place (refused)
    char path[kBackupPathMax];     // the backup file written or read
    char error[kBackupErrorMax];   // the reason of a failure, naming the file; "" otherwise
    char note[kBackupErrorMax];    // backup: what it did differently from the card (its lists); "" otherwise
};

// --- Backup --------------------------------------------------------------------------

// Number of files the backup of `list` is expected to hold, for its progress:
// 2 x waves + kit files + 5. 5 for a null library.
int waveBackupExpectedFiles(const sWaveList *list);
// Brings the category list (order keys renumbered first) and the three wave
// list files of `list` in "Korvan/KVB-RT/SYSTEM/" on the library's card up to
// date, writing only those that differ. Returns 0, or -1 (errno set) when one
// could not be written: then nothing more is written, the files already
// written stay (each whole), and every list still stale is added to `stale`
// (may be null) with its name within the backup and the bytes it should hold.
int waveBackupWriteLists(sWaveList *list, std::vector<sTarReplacement> *stale = nullptr);
// The whole backup of the card of `list` after the folder was chosen: checks
// the card, refuses names the archive cannot hold (naming the file), asks
// before replacing a backup in `folder` (message 64; unless `confirmed`),
// brings the lists up to date from `list` (where the card cannot be written,
// the backup holds them as `list` makes them, noted in the result), runs the
// backup job under the progress window (message 47; Cancel cancels) and
// shows message 81 when it failed. Returns
// the outcome (also in `result`, may be null); on any outcome but BACKUP_DONE
// the older backup is untouched, and on BACKUP_DECLINED and refusals before
// the lists nothing was written.
int waveBackupSave(sWaveList *list, const char *folder, int confirmed, sBackupResult *result);
// Serves a pending backup request (gExportFilename) of the card `root`: runs
// the job under the progress window (archiving `replace`, may be null, as
// TarAdd does) and empties the request. Returns the outcome; BACKUP_DONE when
// nothing was requested.
int waveBackupExportCalc(const char *root, int total, sBackupResult *result,
                         const std::vector<sTarReplacement> *replace = nullptr);
// The backup job (worker thread) on its input record, made by
// waveBackupExportCalc. Returns 1.
int waveBackupSaveThreadFunc(void *arg);

// --- Restore ---------------------------------------------------------------------------

// Flags of waveBackupRestore.
enum : unsigned {
    RESTORE_CONFIRMED = 1u,          // the restore was confirmed already: no message 63
    RESTORE_IN_PLACE_CONFIRMED = 2u, // no room to stage: unpack in place without asking again
    RESTORE_IN_PLACE_REFUSED = 4u,   // no room to stage: fail instead of asking
    RESTORE_IN_PLACE = 8u,           // unpack in place even with room to stage (confirmed)
};
// The whole restore of the backup file `archivePath` onto the card at `root`
// (a volume without a device folder is set up from the backup): asks message
// 63 unless confirmed, finishes or rolls back what an earlier interrupted
// restore left, verifies the archive, stages it, replaces the card's files as
// described above, all as one job under the progress window (message 46).
// Returns the outcome (also in `result`, may be null). On BACKUP_FAILED,
// BACKUP_CANCELLED and BACKUP_DECLINED the card holds its old files.
int waveBackupRestore(const char *root, const char *archivePath, unsigned flags, sBackupResult *result);
// Serves a pending restore request (gImportFilename) onto `root` with `flags`:
// runs the job and empties the request. Returns the outcome; BACKUP_DONE when
// nothing was requested.
int waveBackupImportCalc(const char *root, unsigned flags, sBackupResult *result);
// The restore job (worker thread) on its input record, made by
// waveBackupImportCalc. Returns 1.
int waveBackupRestoreThreadFunc(void *arg);

// Deletes below `dir`, recursively, every regular file with one of the four
// extensions (any case), entering folders that begin with "." too, except the
// staging folder. Returns 0, or -1 when a folder could not be listed or a file
// not removed (the rest is still done).
int storageFileDelete(const char *dir);

// --- Recovering an interrupted restore --------------------------------------------------
//
// Called at start-up and by `kvbrt check`: the card at `root` may hold the
// staging folder of a restore that was cut off. Finishing puts the restored
// files in place (the restore had been confirmed and its archive verified);
// rolling back puts the old files back. Before the journal exists only rolling
// back is possible (the card was not touched yet: the staging folder is just
// removed); once it says "done" only finishing is (removing what is left),
// and once a roll-back has begun ("undo") only rolling back is. Either way is
// safe to repeat after another interruption.

// What restoreRecoverState found.
enum : int {
    RESTORE_STATE_NONE = 0,       // no staging folder: nothing to do
    RESTORE_STATE_STAGING = 1,    // unpacking was under way; the card is untouched
    RESTORE_STATE_ASIDE = 2,      // old files being moved aside: can finish or roll back
    RESTORE_STATE_PLACE = 3,      // restored files being placed: can finish or roll back
    RESTORE_STATE_DONE = 4,       // the card is restored; only the staging folder is left
    RESTORE_STATE_UNDO = 5,       // a roll-back was under way: it can only be rolled back
    RESTORE_STATE_DAMAGED = -1,   // a staging folder with an unreadable journal: left alone
};
// What restoreRecover should do.
enum : int {
    RESTORE_RECOVER_REPORT = 0,    // change nothing, just report
    RESTORE_RECOVER_FINISH = 1,    // complete the restore where possible, else roll back
    RESTORE_RECOVER_ROLLBACK = 2,  // put the old card back where possible, else finish
};
// Looks at the card `root` and returns RESTORE_STATE_*; with `detail`
// (capacity `cap`, may be null) a readable line of what is pending (files
// still staged, files set aside). Changes nothing.
int restoreRecoverState(const char *root, char *detail, size_t cap);
// Brings an interrupted restore on `root` to an end as `apply` asks (the only
// possible way when just one is possible). Returns the state found (>= 0)
// when it was dealt with or nothing was pending (RESTORE_STATE_NONE), or -1
// (`detail` says why) when the card could not be brought to either state; the
// journal then stays for another try.
int restoreRecover(const char *root, int apply, char *detail, size_t cap);

// --- Test hooks ---------------------------------------------------------------------------

// Replaces the free-space probe of the volume (null: the real one). Never fails.
void waveBackupSetFreeSpaceProbe(uint64_t (*probe)(const char *path));
