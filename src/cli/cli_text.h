// cli_text: the user-facing texts of `kvbrt`, taken from the string tables of
// the desktop program so that both say the same things in the same language.
//
// The tables are found where the platform keeps installed data, relative to
// the executable ("<folder of kvbrt>/../share/kvb-rt-wave-manager/language/"),
// and the language is the environment's as the platform reads it (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG, the first that names one), with the tables'
// fallback to English. kvbrt loads them before any command runs and refuses
// to start without them, so no message ever reads as the stand-in "DUMMY".
#pragma once

#include <string>

#include "resource/dnastr_ids.h"

// Loads the tables for the environment's language unless already loaded.
// Returns 0 when a table is loaded, -1 when none could be.
int cliTextInit(void);
// Whether a table is loaded. Changes nothing.
bool cliTextLoaded(void);
// The path of the table every language falls back to (English), for the
// message that names it when no table could be loaded. Never fails.
std::string cliTextFallbackPath(void);
// Releases the tables. Never fails.
void cliTextTerm(void);
// Returns text `id` in UTF-8 as one line (each line feed of the text becomes
// a space), loading the tables on first use. Never fails.
std::string cliText(eDNASTR id);
