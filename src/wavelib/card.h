// card: the card a library was read from, the way to every path on it, and
// the lock that keeps a second writer away.
//
// A library (sWaveList) holds the card it belongs to and closes it when it is
// disposed of; a restore, which works without a library, opens one of its
// own. The record remembers which card it was opened on (the volume's device
// and the device folder's inode): a card pulled or swapped since then is no
// longer reached through it, so nothing read from one card is ever written
// into an empty mount folder or onto another card. Every path on the card is
// built through cardPath, which is where that is checked, and where folders of
// the device tree that are symbolic links are refused.
//
// The lock (sCardLock) is a record of its own because it must be taken before
// the scan that makes the library and outlive the library's rebuilds: the
// desktop program holds it from opening a card until it lets the card go.
#pragma once

#include <sys/types.h>

#include <cstddef>

#include "foundation/global.h"

// One card ("Card").
struct sCard {
    char root[kGlobalRootMax];  // the folder the card is mounted at (UTF-8, ending in "/")
    bool known;                 // identity taken: the root could be examined when the card was opened
    dev_t volume;               // device of the root folder when opened
    ino_t rootInode;            // inode of the root folder when opened
    ino_t deviceInode;          // inode of "Korvan/KVB-RT/" when opened, 0 when there was none
    char device[kGlobalRootMax];  // that folder's path as spelled on disk, "" when there was none
};

// --- Opening and closing -------------------------------------------------------------

// Returns a new record for the card mounted at `root` (a "/" is added when it
// ends in neither "/" nor "\"), with the identity of what is mounted there now,
// or null when `root` is null, empty or too long, or memory runs out. Nothing
// on the card is touched.
sCard *cardCreate(const char *root);
// Frees the record; null is ignored.
void cardClose(sCard *card);

// --- Identity ------------------------------------------------------------------------

// Returns 0 while the card the record was opened on is still the one at its
// root (the same device folder, or the same mounted root where it had none);
// -1 with errno ENODEV when it was pulled, unmounted or replaced. Changes nothing.
int cardCheck(const sCard *card);
// Compares the identities two records were opened with, so that the locks of
// two cards are always taken in the same order: 0 when they are one card (the
// same root folder, or the same device folder under two roots, as a bind
// mount or a link gives), else below or above 0 by device, then root folder;
// records without an identity compare by their roots' spelling. Changes nothing.
int cardCompare(const sCard *a, const sCard *b);

// --- Paths ---------------------------------------------------------------------------

// Returns the root folder, ending in "/"; "" for null. Changes nothing.
const char *cardRoot(const sCard *card);
// Writes into `out` (capacity `cap`) the path of `relative` on the card
// ("Korvan/KVB-RT/KIT/kit007.kvb"), the folders of the way as spelled on disk
// (wstorageDevicePath). Returns 0, or -1 with `out` empty and errno set: ENODEV
// when the card is no longer there (cardCheck), ELOOP when a folder of the way
// is a symbolic link, ENAMETOOLONG when it does not fit, EINVAL for a null card.
int cardPath(const sCard *card, char *out, size_t cap, const char *relative);
// Makes the missing folders of `relative`, a folder of the device tree, inside
// the card's device folder, never the device folder itself (wstorageMakeDir),
// and never through a symbolic link. Returns 0, or -1 with errno set (ENOENT:
// the device folder is gone; ENODEV: the card is not the one opened; ELOOP).
int cardMakeDir(const sCard *card, const char *relative);

// --- The lock ------------------------------------------------------------------------

// Kinds of lock.
enum eCardLockKind {
    CARD_LOCK_SHARED = 0,     // readers: many at once, no writer meanwhile
    CARD_LOCK_EXCLUSIVE = 1,  // one writer and nobody else
};

// Flags of cardLockTake.
enum : unsigned {
    CARD_LOCK_WAIT = 1u,  // wait for the holder instead of refusing
};

// A lock held on a card ("CLck").
struct sCardLock {
    int fd;                        // descriptor of the locked folder, holding the flock
    int kind;                      // eCardLockKind
    char path[kGlobalRootMax];     // the locked folder, the card's root
};

// Why cardLockTake refused.
struct sCardLockRefusal {
    int err;                    // EWOULDBLOCK: held by another; ENOLCK, EOPNOTSUPP, EINVAL: the file system has no locks; else why the folder could not be opened
    long holderPid;             // the process holding it as the system tells, 0 when it does not
    bool holderDesktop;         // that process is the desktop program
    char path[kGlobalRootMax];  // the folder that was to be locked
};

// Locks the card mounted at `root` on its root folder: the device folder is
// made by `init` and replaced whole by a restore, so a lock on it would not
// keep out a writer that came in between, while the root stays; and no file
// is ever written on the card for the lock. Returns the held lock, or null
// with `why` (may be null) filled: the lock is held by another program (with
// CARD_LOCK_WAIT it waits instead), the file system refuses locks, or the
// folder cannot be opened. Nothing on the card changes.
sCardLock *cardLockTake(const char *root, int kind, unsigned flags, sCardLockRefusal *why);
// Releases the lock and frees the record; null is ignored. Never fails.
void cardLockRelease(sCardLock *lock);
