// dnastr: the string table of the interface language and its lookups.
//
// Each language has one table file, "STRING_TABLE_<code>.zar", a container
// (zanarray.h) whose array 0 holds the texts in eDNASTR order, each 256
// UTF-16LE code units padded with zero units. The table is loaded once at
// start-up, on its own (it needs nothing else loaded first), and read-only
// afterwards, so lookups may run on any thread.
//
// The lookups return the text of a number in three forms: wide (one code
// point per wchar_t; a surrogate pair of the file becomes one character, a
// lone surrogate U+FFFD), UTF-8 and Shift-JIS. Their buffers are per thread
// and hold the longest text a table can carry in every form, so a text is
// never cut; they are overwritten by that thread's later calls (the wide form
// alternates between two buffers, so two successive results stay valid
// together). Without a table, and for a number outside the table, every form
// is "DUMMY".
#pragma once

#include <cstddef>

#include "resource/dnastr_ids.h"

// Capacity of a language code, terminator included.
constexpr size_t kDnaStrCodeMax = 8;
// Longest detail dnaStrGetPtr appends after the tab, in wide characters.
constexpr size_t kDnaStrExtraMax = 1024;
// Capacity of the caller's buffer of dnaStrGet, in wide characters.
constexpr size_t kDnaStrGetMax = 1024;

// --- Language -------------------------------------------------------------------

// Writes the table code for a platform language entry into `code` (capacity
// kDnaStrCodeMax): the language part of the first non-empty entry of a
// colon-separated list, in lower case ("ja_JP.UTF-8", "ja-JP" and "ja:en" give
// "ja"). "C", "POSIX", an empty or missing entry, and a language part that is
// not 1 to 7 ASCII letters give "en". Never fails.
void dnaStrLanguageCode(const char *entry, char *code);

// --- Table --------------------------------------------------------------------

// Loads the table of `entry`'s language (see dnaStrLanguageCode) from the
// folder `folder`, falling back to the "en" table when that one is missing or
// damaged. Any table loaded before is released first. Returns 0 when a table
// is loaded, -1 when neither could be (lookups then give "DUMMY").
int dnaStrOpen(const char *folder, const char *entry);
// Loads a table held in memory: a copy of the `size` bytes at `data`, under
// the language code `code`. Any table loaded before is released first.
// Returns 0, or -1 for a damaged table (none is loaded then).
int dnaStrOpenBuffer(const void *data, size_t size, const char *code);
// Releases the table; lookups give "DUMMY" afterwards. Never fails.
void dnaStrClose(void);
// Returns the code of the loaded table ("en" after a fallback), "" without one.
const char *dnaStrLanguage(void);
// Returns the number of strings of the loaded table; 0 without one.
int dnaStrCount(void);

// --- Lookups ------------------------------------------------------------------

// Returns text `id` in wide characters; with `extra`, followed by a tab and
// at most kDnaStrExtraMax characters of `extra` (without a table: "DUMMY" and
// nothing appended). Never null.
const wchar_t *dnaStrGetPtr(int id, const wchar_t *extra = nullptr);
// Clears `buffer` (kDnaStrGetMax wide characters) and copies text `id` into it.
// Returns 0; "DUMMY" stands in as for dnaStrGetPtr.
int dnaStrGet(wchar_t *buffer, int id);
// Returns text `id` in UTF-8. Never null.
const char *dnaStrGetUtf8Ptr(int id);
// Returns text `id` in Shift-JIS; a character Shift-JIS lacks becomes a space. Never null.
const char *dnaStrGetSjisPtr(int id);
