// The string table. See dnastr.h.
#include "resource/dnastr.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "resource/le.h"
#include "resource/zanarray.h"

namespace {

// A table of 65535 strings is 32 MiB; a larger file is not one of ours.
constexpr long kTableFileMax = 64L << 20;

// Longest wide result: a whole string, the tab, the detail, the terminator.
constexpr size_t kWideMax = kDnaStrUnits + 1 + kDnaStrExtraMax + 1;
// Each code unit gives at most 3 bytes of UTF-8 (a pair gives 4 for 2 units).
constexpr size_t kUtf8Max = kDnaStrUnits * 3 + 1;
// Each character gives at most 2 bytes of Shift-JIS.
constexpr size_t kSjisMax = kDnaStrUnits * 2 + 1;

const wchar_t kDummy[] = L"DUMMY";

struct Table {
    uint8_t *buffer = nullptr;         // the whole table, mapped in place ("DNASTR")
    const uint8_t *strings = nullptr;  // array 0's first string
    int count = 0;                     // strings in array 0
    char code[kDnaStrCodeMax] = {};
};
Table gTable;

thread_local wchar_t tWide[2][kWideMax];
thread_local unsigned tWideNext;
thread_local char tUtf8[kUtf8Max];
thread_local char tSjis[kSjisMax];
thread_local wchar_t tPlain[kWideMax];


// Maps a copy of `size` bytes of `data`; on success it becomes the table.
bool adopt(const uint8_t *data, size_t size, const char *code) {
    if (!data || size > static_cast<size_t>(kTableFileMax)) return false;
    auto *buffer = static_cast<uint8_t *>(memMalloc(size ? size : 1, "DNASTR"));
    if (!buffer) return false;
    std::memcpy(buffer, data, size);
    CzanArray view;
    uint8_t *strings = view.Mapping(buffer, size) ? view.GetDataAddr() : nullptr;
    int count = view.GetDataNum();
    // Every string of array 0 must lie inside the file.
    if (!strings || count <= 0 || view.BytesFrom(strings) / kDnaStrBytes < static_cast<size_t>(count)) {
        memFree(buffer);
        return false;
    }
    gTable.buffer = buffer;
    gTable.strings = strings;
    gTable.count = count;
    std::snprintf(gTable.code, sizeof gTable.code, "%s", code ? code : "");
    return true;
}

bool load(const char *folder, const char *code) {
    std::string path = std::string(folder ? folder : ".") + "/STRING_TABLE_" + code + ".zar";
    _sRliFile *f = rliFileOpenA(path.c_str(), cRLIFILE_MODE_READ_BINARY, kTableFileMax);
    if (!f) return false;
    // A file longer than the read limit is refused rather than read in part.
    bool ok = adopt(rliFileGetDataAddr(f), rliFileGetDataSize(f), code);
    rliFileClose(f);
    return ok;
}

// Decodes string `id` into `out` (room for kDnaStrUnits + 1); returns the
// characters written, or -1 when there is no such string.
int decode(int id, wchar_t *out) {
    if (!gTable.strings || id < 0 || id >= gTable.count) return -1;
    const uint8_t *p = gTable.strings + static_cast<size_t>(id) * kDnaStrBytes;
    auto unit = [p](int i) { return static_cast<uint32_t>(leGet16(p + 2 * i)); };
    int n = 0;
    for (int i = 0; i < kDnaStrUnits; ++i) {
        uint32_t u = unit(i);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < kDnaStrUnits && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        out[n++] = static_cast<wchar_t>(u);
    }
    out[n] = 0;
    return n;
}

// The text of `id`, or "DUMMY", into `out` (room for kDnaStrUnits + 1).
// Returns whether it came from the table.
bool textOf(int id, wchar_t *out) {
    if (decode(id, out) >= 0) return true;
    std::wmemcpy(out, kDummy, sizeof kDummy / sizeof kDummy[0]);
    return false;
}

}  // namespace

// --- Language -------------------------------------------------------------------

void dnaStrLanguageCode(const char *entry, char *code) {
    // The platform's rule reads the language part; tables are named in lower case.
    if (ghostLanguageFromLocale(code, kDnaStrCodeMax, entry) == 0) {
        std::strcpy(code, "en");
        return;
    }
    for (char *c = code; *c; ++c) *c = static_cast<char>(*c | 0x20);
}

// --- Table --------------------------------------------------------------------

int dnaStrOpen(const char *folder, const char *entry) {
    dnaStrClose();
    char code[kDnaStrCodeMax];
    dnaStrLanguageCode(entry, code);
    if (load(folder, code)) return 0;
    return std::strcmp(code, "en") != 0 && load(folder, "en") ? 0 : -1;
}

int dnaStrOpenBuffer(const void *data, size_t size, const char *code) {
    dnaStrClose();
    return adopt(static_cast<const uint8_t *>(data), size, code) ? 0 : -1;
}

void dnaStrClose(void) {
    if (gTable.buffer) memFree(gTable.buffer);
    gTable = Table();
}

const char *dnaStrLanguage(void) { return gTable.code; }

int dnaStrCount(void) { return gTable.count; }

// --- Lookups ------------------------------------------------------------------

const wchar_t *dnaStrGetPtr(int id, const wchar_t *extra) {
    wchar_t *out = tWide[tWideNext++ & 1];
    if (textOf(id, out) && extra) {
        size_t n = std::wcslen(out);
        out[n++] = L'\t';
        size_t k = 0;
        for (; extra[k] && k < kDnaStrExtraMax; ++k) out[n + k] = extra[k];
        out[n + k] = 0;
    }
    return out;
}

int dnaStrGet(wchar_t *buffer, int id) {
    std::wmemset(buffer, 0, kDnaStrGetMax);
    textOf(id, buffer);
    return 0;
}

const char *dnaStrGetUtf8Ptr(int id) {
    textOf(id, tPlain);
    wcs2utf8s(tUtf8, sizeof tUtf8, tPlain);
    return tUtf8;
}

const char *dnaStrGetSjisPtr(int id) {
    textOf(id, tPlain);
    int length = 0;
    rliStringUtf16beToSjis(tSjis, sizeof tSjis, &length, tPlain);
    return tSjis;
}
