// sjis: stepping through Shift-JIS text by whole characters.
//
// Names on the card and the Japanese interface texts are Shift-JIS: a lead
// byte (0x81-0x9F, 0xE0-0xFC) followed by a trail byte (0x40-0x7E, 0x80-0xFC)
// is one character, every other byte is one. Indices are byte indices; the
// functions here keep them on character boundaries, so no caret, selection,
// deletion or copy ever splits a pair. A trail byte may look like a lead
// byte, so boundaries are found by walking from the start.
#pragma once

#include <cstddef>

// Returns the bytes of the character at `s`: 2 for a lead byte with its
// trail, 1 for any other byte, 0 at the terminating zero or for null.
int gifCharLen(const char *s);
// Returns the index after the character at byte `at` (`at` itself at the end).
int gifCharNext(const char *text, int at);
// Returns the index of the character before byte `at` (0 at the start).
int gifCharPrev(const char *text, int at);
// Returns the last character boundary at or before byte `at`, within the text.
int gifCharFloor(const char *text, int at);
// Returns the number of characters in `text`; 0 for null.
int gifCharCount(const char *text);
// Copies the longest run of whole characters of `src` that fits in `dst`
// (capacity `cap` bytes, terminating zero included) and terminates it.
// Returns the bytes copied; with a null `src` (or `cap` 0) `dst` is emptied
// (nothing written for `cap` 0).
size_t gifStrCopy(char *dst, size_t cap, const char *src);
