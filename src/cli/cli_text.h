// cli_text: the user-facing texts of `kvbrt`, taken from the string tables of
// the desktop program so that both say the same things in the same language.
//
// The tables are found relative to the executable, as installed and as built:
// "<folder of kvbrt>/../share/kvb-rt-wave-manager/language/". The language is
// the environment's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, the first one set),
// with the tables' fallback to English. Without any table the texts read
// "DUMMY", as in the desktop program.
#pragma once

#include <string>

#include "resource/dnastr_ids.h"

// Returns the first non-empty of LANGUAGE, LC_ALL, LC_MESSAGES and LANG, or ""
// when none is set. Never null.
const char *cliLanguageEntry(void);
// Returns the string-table folder for the executable at `exePath` (null: this
// process's own executable); "" when the executable's path cannot be found.
std::string cliLanguageFolder(const char *exePath);
// Loads the tables for the environment's language unless already loaded.
// Returns 0 when a table is loaded, -1 when none could be.
int cliTextInit(void);
// Releases the tables. Never fails.
void cliTextTerm(void);
// Returns text `id` in UTF-8 as one line (each line feed of the text becomes
// a space), loading the tables on first use. Never fails.
std::string cliText(eDNASTR id);
