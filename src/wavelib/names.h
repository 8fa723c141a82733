// names: the one rule for every name the library gives or takes - wave,
// category and kit names, and the names of audio files on the card.
//
// A name (Shift-JIS bytes) is stored one byte per element, so the parameter
// text itself carries any byte; but the same names are printed a line per
// wave, become file names on export and show on the device's display, where
// a control character, "<", ">" or a slash does harm. A name is therefore
// never empty or only spaces (kit names may be empty), holds whole Shift-JIS
// characters only and keeps its byte limit.
//
// An audio file name is written on a FAT card and into the "Path" value of
// the parameter text, which carries neither control characters nor "<" ">"
// and splits at "/" and "\". The name made for an imported file uses only
// characters a FAT card accepts, never starts with a dot (our temporary and
// hidden names do), never ends its stem in a dot or a space and is never a
// reserved device name such as CON or LPT1. The clash-free numbering of the
// data folder is applied to it afterwards (order.h) and keeps all of this.
//
// Import and the card check's adoption make a wave's name from a file name:
// its first 12 characters, ASCII kept and every other character one "X",
// then every character the rule refuses made "_".
#pragma once

#include <cstddef>

struct sTag;
struct sWaveList;

// What a name check finds.
enum : int {
    NAME_OK = 0,
    NAME_EMPTY = -1,     // no name at all
    NAME_TOO_LONG = -2,  // more bytes than the card keeps: it would come back cut
    NAME_IN_USE = -3,    // (categories) another category has the name, without regard to case
    NAME_BLANK = -4,     // only spaces
    NAME_BAD_CHAR = -5,  // a control character, "<", ">", "/", "\" or a broken Shift-JIS character
};

// The category check's former names, kept for its callers.
enum : int {
    TAG_NAME_OK = NAME_OK,
    TAG_NAME_EMPTY = NAME_EMPTY,
    TAG_NAME_TOO_LONG = NAME_TOO_LONG,
    TAG_NAME_IN_USE = NAME_IN_USE,
};

// Bytes of a category name the category list file keeps (the name in memory holds 15).
constexpr size_t kTagListNameMax = 12;

// --- Checking names -----------------------------------------------------------------

// Checks the Shift-JIS `name` against the rule with at most `maxBytes` bytes;
// `mayBeBlank` lets an empty or all-space name pass (kit names). Returns a
// NAME_* code. Changes nothing.
int waveNameCheck(const char *name, size_t maxBytes, bool mayBeBlank = false);
// A wave's name (12 bytes). Returns a NAME_* code.
int waveWaveNameCheck(const char *name);
// Whether the Shift-JIS `name` can be given to `tag` (null: a new category):
// the rule with 12 bytes, and no other category of `list` named the same
// without regard to case (the device and the card's file system find
// "DEFAULT" that way, so "kick" beside "KICK" would be one name twice).
// Returns a NAME_* code; `*clash` (may be null) gets the category holding the
// name for NAME_IN_USE, else null. Changes nothing.
int waveTagNameCheck(const sWaveList *list, const char *name, const sTag *tag, const sTag **clash);
// Why a name with code `code` is refused, as a phrase to follow the name
// ("holds a control character, ..."); "" for NAME_OK. Never fails.
const char *waveNameReason(int code);

// --- Making names -----------------------------------------------------------------------

// Writes into `out` (`maxBytes` + 1 bytes) the name the rule makes of
// Shift-JIS `text`: each refused character becomes "_", the text is cut to
// `maxBytes` bytes without splitting a character, and a name left empty or of
// spaces only gets "_" for each of its places. Never fails.
void waveNameMake(char *out, size_t maxBytes, const char *text);
// Writes into `out` (13 bytes) the wave name a file's base name (UTF-8, no
// folder, no extension) gives. Never fails.
void waveNameFromFile(char *out, const char *baseName);

// --- Audio file names ---------------------------------------------------------------------

// Writes into `out` (17 bytes) the audio file name of an imported wave named
// `waveName`: its first 5 bytes made safe for a FAT card and the parameter
// text, then the extension `ext` (with its dot) as written. Never fails.
void waveFileNameMake(char *out, const char *waveName, const char *ext);
// Whether `name`, an audio file's name on the card, can be written into a
// parameter file and kept by a FAT card: at most 16 bytes, no character the
// rule for file names replaces, no leading dot, not a reserved device name.
bool waveFileNameIsSafe(const char *name);
