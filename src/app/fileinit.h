// fileinit: the data files read at start-up.
//
// The resource pack comes from "<data>/resource/pack.bin" and the string
// table of the interface language from "<data>/language/STRING_TABLE_<code>.zar",
// <data> being the installed data folder ("<application folder>/../share/
// kvb-rt-wave-manager"); both stay in G's open-file list for fileGetPtr. When the
// preferred language has no table (or a damaged one) the English table is
// taken and the interface language becomes "en" (osSetISO), so every later
// lookup of the language agrees with the texts shown. Without the pack or any
// table the windows would have no pictures or no texts, so start-up reports
// which file is missing or damaged and where it was looked for, and the
// program ends.
#pragma once

// --- Life cycle ------------------------------------------------------------------

// Loads the pack and the string table from `dataFolder` (null: the installed
// data folder). Returns 0; -1 when the pack or every table is missing or
// damaged (nothing stays loaded): fileInitError() then names the file, what
// is wrong with it and the folder it was looked for in.
int fileInit(const char *dataFolder);
// Releases what fileInit loaded. Never fails.
void fileTerm(void);
// The reason of the last failed fileInit, "" after a success. Never null.
const char *fileInitError(void);
