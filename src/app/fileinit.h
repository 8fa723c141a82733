// fileinit: the data files read at start-up.
//
// The string table of the interface language comes from
// "<data>/language/STRING_TABLE_<code>.zar", <data> being the installed data
// folder ("<application folder>/../share/kvb-rt-wave-manager"). When the
// preferred language has no table (or a damaged one) the English table is
// taken and the interface language becomes "en" (osSetISO), so every later
// lookup of the language agrees with the texts shown. Without any table the
// windows would have no texts at all, so start-up reports which file is
// missing or damaged and where it was looked for, and the program ends.
#pragma once

// --- Life cycle ------------------------------------------------------------------

// Loads the string table from `dataFolder` (null: the installed data folder).
// Returns 0; -1 when no table could be loaded: fileInitError() then names
// the file, what is wrong with it and the folder it was looked for in.
int fileInit(const char *dataFolder);
// Releases what fileInit loaded. Never fails.
void fileTerm(void);
// The reason of the last failed fileInit, "" after a success. Never null.
const char *fileInitError(void);
