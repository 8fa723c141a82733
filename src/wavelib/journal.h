// journal: the intent records of edits that change many files on the card.
//
// Renumbering and category changes rewrite many parameter files and kits; a
// crash between the first and the last write would leave pads naming the
// wrong waves, or waves in the wrong category. Before its first change such an
// edit writes what the card must end up as into a journal in
// "Korvan/.kvbrt-journal/" (beside the device folder, not in it, and with no
// name ending in .kvb, .wav, .aif or .aiff, which a restore removes even from
// hidden folders), synced with its folder; it removes the journal after its
// final sync. Every step the journal names can be done again and is
// recognised from the card, so the edit can be finished after a crash
// (app/journal.h). A journal is one text file of lines.
#pragma once

#include <cstddef>
#include <string>

struct sCard;

// The journals.
extern const char *const cJOURNAL_DIR;       // "Korvan/.kvbrt-journal/"
extern const char *const cJOURNAL_FOLDER;    // ".kvbrt-journal", its name
extern const char *const cJOURNAL_RENUMBER;  // "renumber.journal"
extern const char *const cJOURNAL_CATEGORY;  // "category.journal"

// Writes journal `name` holding `text` on `card` (making its folder inside an
// existing maker folder) and syncs it and its folder. Returns 0, or -1 with
// errno set and no journal left behind.
int journalWrite(const sCard *card, const char *name, const std::string &text);
// Removes journal `name` from `card`, and its folder when that is left empty,
// and syncs. Returns 0 (also when there was none), or -1 with errno set.
int journalRemove(const sCard *card, const char *name);
// Reads journal `name` of the card mounted at `root` into `*text`. Returns
// whether there is one (a journal that cannot be read counts as there, empty).
bool journalRead(const char *root, const char *name, std::string *text);
// Writes into `out` (capacity `cap`) the journal's path below `root`. Returns 0, -1 when it does not fit.
int journalPath(const char *root, const char *name, char *out, size_t cap);
