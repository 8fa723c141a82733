// str: the three text forms of the program and the small string tools.
//
// Wide strings hold one 32-bit code point per character (wchar_t on Linux; the
// "Utf16be" in some names is historical). UTF-8 byte strings are file-system
// paths and host text. Shift-JIS (code page 932) byte strings are what the
// device stores for names and card-relative paths; they are converted through
// iconv, character by character, so one bad byte costs one character.
//
// Every converter takes the capacity of its destination (in units of the
// destination) and never writes past it; a text that does not fit is cut at a
// character boundary, terminated, and reported with -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Longest path we build or accept, terminating zero included (Linux PATH_MAX).
constexpr size_t kRliPathMax = 4096;
// Longest single name the file-name checks (strCheckFileName) accept, in bytes.
constexpr size_t kRliNameMax = 1024;

// --- Searching ------------------------------------------------------------
// Each returns an index into the first `length` characters, or -1.

int strFindFirstOf(const wchar_t *text, int length, wchar_t c);
int strFindFirstOfA(const char *text, int length, char c);
int strFindLastOf(const wchar_t *text, int length, wchar_t c);
int strFindLastOfA(const char *text, int length, char c);
int strFindLastNotOf(const wchar_t *text, int length, wchar_t c);
int strFindLastNotOfA(const char *text, int length, char c);

// --- Names we create ------------------------------------------------------

// Returns 1 when `name` is acceptable as a name we create (no \ / ? : * " | < > , ;
// and at most 512 characters), else 0. An empty name is accepted.
int strCheckFileName(const wchar_t *name);
// Byte form: at most 1024 bytes. Returns 1 or 0; reads only `name`.
int strCheckFileNameA(const char *name);

// --- Shift-JIS ------------------------------------------------------------

// Decodes Shift-JIS `src` into `dst` (capacity `dstCap` characters); every byte
// that does not start a valid character becomes U+FFFD. Stores 4 x strlen(src)
// in `outBytes` when given. Returns the characters written, -1 when cut short;
// a null `src` writes nothing and returns 0.
int rliStringSjisToUtf16be(wchar_t *dst, size_t dstCap, int *outBytes, const char *src);
// As above for the first `srcLen` bytes of `src` (stops early at a zero byte).
int rliStringSjisToUtf16beN(wchar_t *dst, size_t dstCap, const char *src, size_t srcLen);
// Encodes `src` as Shift-JIS, skipping a leading byte-order mark; a character
// with no Shift-JIS form becomes one space and is counted in `outLost` when
// given. Stores the bytes written in `outLen`. Returns the bytes written, -1
// when cut short (never inside a two-byte character); a null `src` returns 0.
int rliStringUtf16beToSjis(char *dst, size_t dstCap, int *outLen, const wchar_t *src, int *outLost = nullptr);

// --- UTF-8 ----------------------------------------------------------------

// Writes the UTF-8 form of `codepoint` (1 to 4 bytes) into `out` (room for 4)
// and returns its length; 0 and nothing written for 2^21 and above.
int chtoutf8(uint32_t codepoint, char *out);
// Encodes `src` as UTF-8. Returns the bytes written, -1 when cut short.
int wcs2utf8s(char *dst, size_t dstCap, const wchar_t *src);
// As wcs2utf8s, also storing the length in `outLen` when given.
int rliStringUtf16beToUtf8(char *dst, size_t dstCap, int *outLen, const wchar_t *src);
// Decodes UTF-8; a malformed sequence or a byte that cannot start one becomes
// "?" and decoding goes on after its first byte. Returns the characters
// written, -1 when cut short, 0 for null arguments.
int utf8towchar(wchar_t *dst, size_t dstCap, const char *src);
// As utf8towchar, also storing the count in `outLen` when given.
int rliStringUtf8ToUtf16be(wchar_t *dst, size_t dstCap, int *outLen, const char *src);
// UTF-8 to Shift-JIS through a wide intermediate. Returns bytes written, -1
// when cut short or the intermediate does not fit.
int rliStringUtf8ToSjis(char *dst, size_t dstCap, int *outLen, const char *src);
// Shift-JIS to UTF-8 through a wide intermediate; `outEnd` gets the
// terminating zero. Returns bytes written, -1 when cut short.
int rliStringSjisToUtf8(char *dst, size_t dstCap, char **outEnd, const char *src);

// Convenience forms for C++ callers; the rules are those of the functions above.
// Returns the UTF-8 text of `sjis` (U+FFFD for bad bytes). Never fails.
std::string strSjisToUtf8(std::string_view sjis);
// Returns the Shift-JIS bytes of UTF-8 `utf8`; `lost` (when given) counts the
// characters Shift-JIS cannot hold, written as spaces. Never fails.
std::string strUtf8ToSjis(std::string_view utf8, int *lost = nullptr);

// --- Small string functions -----------------------------------------------

// Cuts `text` at the first `needle`; returns where it cut, or null (text unchanged).
char *rliStringExtDelete(char *text, const char *needle);
wchar_t *rliStringExtDelete(wchar_t *text, const wchar_t *needle);
// Returns a tracked copy ("StrDup") of the first `n` bytes, terminated; null
// when out of memory.
char *rliStrDupn(const char *src, size_t n);
// Returns a tracked copy of `src`; null when out of memory or `src` is null.
char *rliStrDup(const char *src);
// Returns the decimal value of `text`, a non-digit counting as 0 in its place;
// no sign, 0 for an empty or null text.
int64_t rliStrAtoi64(const char *text);
// Compares the bytes, taken as signed, after ASCII lower-casing. Returns -1,
// 0 or 1, never another difference.
int rliStrCaseCmp(const char *a, const char *b);
int rliStrIcmp(const char *a, const char *b);

// --- Paths ----------------------------------------------------------------
// Linux paths: "/" is the only separator, there are no drives, and any name
// Linux allows is split as it stands (a card at "/media/u/Drums, 2024" or a
// sample "Kick, hard.wav" must work). The name check above is for names we
// create, not for paths we are given.

// Splits `path` into folder part (with its trailing "/"), name and extension
// (the last dot onwards, trailing dots not counting as the extension's dot).
// Every non-null output must hold kRliPathMax units and is first emptied;
// `drive` always stays empty. Returns 0, or -1 for a null, empty or over-long
// path (outputs then empty).
int rliStringSplitpath(wchar_t *drive, wchar_t *dir, wchar_t *name, wchar_t *ext, const wchar_t *path);
int rliStringSplitpathA(char *drive, char *dir, char *name, char *ext, const char *path);
