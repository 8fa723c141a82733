// The name rule. See names.h.
#include "wavelib/names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/str.h"
#include "wavelib/wave.h"
#include "wavelib/wavelist.h"

namespace {

bool sjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool sjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Bytes of the character starting at `s`: 1 or 2, or 0 for a byte that starts
// no character (a lead byte without its trail byte, an unused byte).
size_t charLength(const unsigned char *s) {
    if (sjisLead(s[0])) return sjisTrail(s[1]) ? 2 : 0;
    if (s[0] == 0x80 || s[0] == 0xA0 || s[0] >= 0xFD) return 0;
    return 1;
}

// Single-byte characters a name cannot hold. Only whole characters are
// looked at: the trail byte of a double-byte character may be "\" or "|".
bool refusedInName(unsigned char c) { return c < 0x20 || c == 0x7F || std::strchr("<>/\\", c); }

// Characters a FAT card refuses in a file name, and those the "Path" value
// cannot carry; bytes above ASCII are refused too, since a card's file names
// are read back in another encoding than the one the wave name is in.
bool refusedInFileName(unsigned char c) { return c < 0x20 || c >= 0x7F || std::strchr("\"*/:<>?\\|", c); }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on the systems that
// read FAT cards, whatever extension follows.
bool reservedStem(const std::string &name) {
    std::string stem = name.substr(0, name.find('.'));
    for (char &c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

}  // namespace

// --- Checking names -----------------------------------------------------------------

int waveNameCheck(const char *name, size_t maxBytes, bool mayBeBlank) {
    if (!name || !*name) return mayBeBlank ? NAME_OK : NAME_EMPTY;
    size_t length = std::strlen(name);
    if (length > maxBytes) return NAME_TOO_LONG;
    bool blank = true;
    for (auto *p = reinterpret_cast<const unsigned char *>(name); *p;) {
        size_t n = charLength(p);
        if (n == 0 || (n == 1 && refusedInName(*p))) return NAME_BAD_CHAR;
        blank = blank && *p == ' ';
        p += n;
    }
    return blank && !mayBeBlank ? NAME_BLANK : NAME_OK;
}

int waveWaveNameCheck(const char *name) { return waveNameCheck(name, kWaveNameLen); }

int waveTagNameCheck(const sWaveList *list, const char *name, const sTag *tag, const sTag **clash) {
    if (clash) *clash = nullptr;
    int code = waveNameCheck(name, kTagListNameMax);
    if (code != NAME_OK) return code;
    const sTag *other = waveListTagFindName(list, name);
    if (!other || other == tag) return NAME_OK;
    if (clash) *clash = other;
    return NAME_IN_USE;
}

const char *waveNameReason(int code) {
    switch (code) {
    case NAME_OK: return "";
    case NAME_EMPTY: return "a name cannot be empty";
    case NAME_TOO_LONG: return "is longer than the card keeps";
    case NAME_IN_USE: return "the name is already in use";
    case NAME_BLANK: return "a name cannot be only spaces";
    default: return "holds a control character, \"<\", \">\", \"/\" or \"\\\", which a name cannot hold";
    }
}

// --- Making names -----------------------------------------------------------------------

void waveNameMake(char *out, size_t maxBytes, const char *text) {
    std::memset(out, 0, maxBytes + 1);
    size_t at = 0;
    bool blank = true;
    for (auto *p = reinterpret_cast<const unsigned char *>(text ? text : ""); *p;) {
        size_t n = charLength(p);
        if (at + (n ? n : 1) > maxBytes) break;
        if (n == 2) {
            std::memcpy(out + at, p, 2);
        } else {
            out[at] = n == 0 || refusedInName(*p) ? '_' : static_cast<char>(*p);
            n = 1;
        }
        blank = blank && out[at] == ' ';
        at += n;
        p += n;
    }
    if (at == 0) out[at++] = '_';
    if (blank)
        for (size_t i = 0; i < at; ++i) out[i] = '_';
}

void waveNameFromFile(char *out, const char *base) {
    char derived[kWaveNameLen + 1] = {};
    size_t count = 0;
    for (size_t i = 0; base && base[i] && count < kWaveNameLen;) {
        auto c = static_cast<unsigned char>(base[i]);
        if (c < 0x80) {
            derived[count++] = static_cast<char>(c);
            ++i;
            continue;
        }
        // One "X" per character: the lead byte says how long it is; a byte
        // that leads nothing stands for itself. Never past the end.
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        derived[count++] = 'X';
        for (size_t k = 0; k < len && base[i]; ++k) ++i;
    }
    waveNameMake(out, kWaveNameLen, derived);
}

// --- Audio file names ---------------------------------------------------------------------

void waveFileNameMake(char *out, const char *waveName, const char *ext) {
    // The stem has at most 5 bytes and a "_" for a reserved name: 7 with the zero.
    char stem[8] = {};
    size_t length = waveName ? strnlen(waveName, 5) : 0;
    for (size_t i = 0; i < length; ++i)
        stem[i] = refusedInFileName(static_cast<unsigned char>(waveName[i])) ? '_' : waveName[i];
    if (length == 0) stem[length++] = '_';
    if (stem[0] == '.') stem[0] = '_';
    // Systems that read the card drop a name's trailing dots and spaces.
    for (size_t i = length; i > 0 && (stem[i - 1] == '.' || stem[i - 1] == ' '); --i) stem[i - 1] = '_';
    if (reservedStem(stem)) stem[length++] = '_';
    std::snprintf(out, kWaveFileNameLen + 1, "%s%s", stem, ext ? ext : "");
}

bool waveFileNameIsSafe(const char *name) {
    size_t length = name ? std::strlen(name) : 0;
    if (length == 0 || length > kWaveFileNameLen || name[0] == '.' || name[length - 1] == '.' ||
        name[length - 1] == ' ' || reservedStem(name))
        return false;
    for (const char *p = name; *p; ++p)
        if (refusedInFileName(static_cast<unsigned char>(*p))) return false;
    return true;
}
