// journal: finding and finishing the edits a crash cut off on a card.
//
// Three edits leave a record on the card while they run: a renumbering and a
// category change that rewrites waves (wavelib/journal.h), and a restore (its
// staging folder, transfer/backup.h). While one is there the card is not
// whole: writing commands and backups refuse, `check` reports it and
// `check --fix` finishes it through journalRecoverCard, the one call the
// desktop program makes too when it opens such a card. The caller holds the
// card's lock (wavelib/card.h).
#pragma once

#include <cstddef>
#include <string>

struct sCard;
struct sWaveList;

// What journalPendingOnCard finds, one bit each.
enum : unsigned {
    JOURNAL_PENDING_RENUMBER = 1u,  // a renumbering was cut off
    JOURNAL_PENDING_CATEGORY = 2u,  // a category change was cut off
    JOURNAL_PENDING_RESTORE = 4u,   // a restore was cut off (or left its staging folder)
};

// --- Finding --------------------------------------------------------------------

// Returns the journals pending on the card mounted at `root`, 0 for none or a
// null root. Changes nothing.
unsigned journalPendingOnCard(const char *root);
// Returns what the bits of `pending` mean, for a message ("a renumbering").
std::string journalPendingText(unsigned pending);

// --- Finishing -----------------------------------------------------------------

// Finishes every journal pending on the card at `root`: the restore first
// (finished, or rolled back where only that is possible), then the renumbering
// and the category change, each from what the card holds. Returns 0 when none
// is left, -1 with the reason in `why` (capacity `cap`) when one could not be
// finished (it stays, to be tried again).
int journalRecoverCard(const char *root, char *why, size_t cap);

// --- The request step's category journal ------------------------------------------

// Before the request step writes the category list and the waves marked for
// saving together (a category deleted or moved), records where every marked
// wave must end. Returns 1 when a journal was written, 0 when there was
// nothing to record, -1 with errno set when it cannot be written: the step
// must not start then.
int journalCategoryBegin(sWaveList *list);
// After a step that wrote one: removes the journal when `whole` (everything
// was written and synced). Never fails.
void journalCategoryEnd(sWaveList *list, bool whole);
