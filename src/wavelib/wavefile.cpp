// The card's parameter files. See wavefile.h.
#include "wavelib/wavefile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "wavelib/xml.h"

namespace {

constexpr const char *kRootWave = "WvPrm";
constexpr const char *kRootTagList = "TagList";
constexpr const char *kRootKit = "KitPrm";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWithNoCase(const char *text, const char *prefix) {
    for (; *prefix; ++text, ++prefix) {
        char a = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text + 32) : *text;
        char b = (*prefix >= 'A' && *prefix <= 'Z') ? static_cast<char>(*prefix + 32) : *prefix;
        if (a != b) return false;
    }
    return true;
}

// The byte position a tag such as "Nm3" or "SubNm15" selects, or -1. Only the
// plain decimal forms the device writes select anything: "Nm12" on a 12-byte
// name, "SubNm16", a bare "Nm" or "Nm-1" name no byte of the field, and taking
// their number loosely would store past its end.
int namePosition(const char *tag, const char *prefix, int count) {
    if (!startsWithNoCase(tag, prefix)) return -1;
    const char *d = tag + std::strlen(prefix);
    if (!isDigit(d[0])) return -1;
    int value = d[0] - '0';
    if (d[1]) {
        if (d[0] == '0' || !isDigit(d[1]) || d[2]) return -1;
        value = value * 10 + (d[1] - '0');
    }
    return value < count ? value : -1;
}

char nameByte(const char *text) { return static_cast<char>(static_cast<uint8_t>(waveFileDecimal(text) & 0xFF)); }

// The signed code of name byte `i`: the field's bytes up to its first zero,
// 0 from there on.
int nameCode(const char *field, size_t fieldLen, size_t i) {
    return i < strnlen(field, fieldLen) ? static_cast<signed char>(field[i]) : 0;
}

bool isOpen(const _sXMLElement *e, const char *name) { return e->type == XML_ELEMENT_OPEN && xmlNameIs(e->text, name); }
bool isClose(const _sXMLElement *e, const char *name) { return e->type == XML_ELEMENT_CLOSE && xmlNameIs(e->text, name); }

// --- Readers as state machines ------------------------------------------------------
// Each takes one element at a time, so the same walk serves reading a file
// (straight from the tokenizer, no element list) and an in-place writer (over
// the document's list), which learns from `stored` exactly which value
// elements a reader takes for each field and so sets those and no others.

// Field numbers of a wave parameter file, as `stored` reports them.
constexpr int kWaveFieldPath = kWaveNameLen;
constexpr int kWaveFieldTag = kWaveNameLen + 1;
constexpr int kWaveFields = kWaveNameLen + 2;

struct WavePrmReader {
    enum class St { Outside, Body, Name, Path, Tag, Done } st = St::Outside;
    _sWaveFileWavePrm *prm = nullptr;
    int pos = 0;
    int stored = -1;  // field the last element's value went to, -1 for none

    bool inBody() const { return st != St::Outside && st != St::Done; }
    bool done() const { return st == St::Done; }

    void step(const _sXMLElement *e) {
        stored = -1;
        switch (st) {
        case St::Outside:
            if (isOpen(e, kRootWave)) st = St::Body;
            else if (isClose(e, kRootWave)) st = St::Done;
            break;
        case St::Body:
            if (e->type == XML_ELEMENT_OPEN) {
                if ((pos = namePosition(e->text, "Nm", kWaveNameLen)) >= 0) st = St::Name;
                else if (xmlNameIs(e->text, "Path")) st = St::Path;
                else if (xmlNameIs(e->text, "Tag")) st = St::Tag;
            } else if (isClose(e, kRootWave)) {
                st = St::Done;
            }
            break;
        case St::Name:
        case St::Path:
        case St::Tag:
            if (e->type == XML_ELEMENT_CLOSE) {
                st = St::Body;
            } else if (e->type == XML_ELEMENT_VALUE) {
                stored = st == St::Name ? pos : st == St::Tag ? kWaveFieldTag : kWaveFieldPath;
                if (!prm) break;
                if (st == St::Name) prm->name[pos] = nameByte(e->text);
                else if (st == St::Tag) prm->tagNumber = waveFileDecimal(e->text);
                else {
                    // The field keeps its first 22 bytes.
                    std::memset(prm->path, 0, sizeof prm->path);
                    std::memcpy(prm->path, e->text, strnlen(e->text, kWavePrmPathLen));
                }
            }
            break;
        case St::Done: break;
        }
    }
};

struct TagListReader {
    enum class St { Outside, List, Entry, Name, Order, Done } st = St::Outside;
    _sWaveFileTagList *list = nullptr;
    char name[kWaveNameLen + 1] = {};
    int order = 0;
    int pos = 0;

    void step(const _sXMLElement *e) {
        switch (st) {
        case St::Outside:
            if (isOpen(e, kRootTagList)) st = St::List;
            else if (isClose(e, kRootTagList)) st = St::Done;
            break;
        case St::List:
            if (isOpen(e, "TagPrm")) {
                std::memset(name, 0, sizeof name);
                order = 0;
                st = St::Entry;
            } else if (isClose(e, kRootTagList)) {
                st = St::Done;
            }
            break;
        case St::Entry:
            if (e->type == XML_ELEMENT_OPEN) {
                if ((pos = namePosition(e->text, "Nm", kWaveNameLen)) >= 0) st = St::Name;
                else if (xmlNameIs(e->text, "Order")) st = St::Order;
            } else if (isClose(e, "TagPrm")) {
                // Only the entry's own close tag ends it: the close tag of an
                // unknown element inside the entry must not cut its name short.
                if (sTag *tag = tagCreate(name, order)) rliListAddTail(&list->tags, tag);
                st = St::List;
            }
            break;
        case St::Name:
        case St::Order:
            if (e->type == XML_ELEMENT_CLOSE) {
                st = St::Entry;
            } else if (e->type == XML_ELEMENT_VALUE) {
                if (st == St::Name) name[pos] = nameByte(e->text);
                else order = waveFileDecimal(e->text);
            }
            break;
        case St::Done: break;
        }
    }
};

// Field numbers of a kit file: name bytes, sub-name bytes, then wave and
// sub-wave of each pad.
constexpr int kKitFieldSubName = kKitNameLen;
constexpr int kKitFieldPads = kKitNameLen + kKitSubNameLen;
constexpr int kKitFields = kKitFieldPads + 2 * kKitPadCount;

struct KitReader {
    enum class St { Outside, Body, Name, SubName, Pad, Wave, SubWave, Done } st = St::Outside;
    sKit *kit = nullptr;
    char name[kKitNameLen + 1] = {};
    char subName[kKitSubNameLen + 1] = {};
    int pos = 0;
    int padCount = 0;   // pad blocks closed so far; held at 16 so it cannot overflow
    int padIndex = -1;  // pad of the block being read, -1 beyond the fifteenth
    int stored = -1;    // field the last element's value went to, -1 for none
    int closedPad = -1; // pad whose block the last element closed, else -1

    bool inBody() const { return st != St::Outside && st != St::Done; }
    bool done() const { return st == St::Done; }

    void step(const _sXMLElement *e) {
        stored = -1;
        closedPad = -1;
        switch (st) {
        case St::Outside:
            if (isOpen(e, kRootKit)) st = St::Body;
            else if (isClose(e, kRootKit)) st = St::Done;
            break;
        case St::Body:
            if (e->type == XML_ELEMENT_OPEN) {
                if ((pos = namePosition(e->text, "Nm", kKitNameLen)) >= 0) {
                    st = St::Name;
                } else if ((pos = namePosition(e->text, "SubNm", kKitSubNameLen)) >= 0) {
                    st = St::SubName;
                } else if (xmlNameIs(e->text, "PadPrm")) {
                    // A block beyond the fifteenth selects no pad.
                    padIndex = padCount < kKitPadCount ? padCount : -1;
                    st = St::Pad;
                }
            } else if (isClose(e, kRootKit)) {
                if (kit) {
                    std::memcpy(kit->name, name, kKitNameLen);
                    std::memcpy(kit->subName, subName, kKitSubNameLen);
                    kit->isFile = 1;
                }
                st = St::Done;
            }
            break;
        case St::Name:
        case St::SubName:
            if (e->type == XML_ELEMENT_CLOSE) {
                st = St::Body;
            } else if (e->type == XML_ELEMENT_VALUE) {
                (st == St::Name ? name : subName)[pos] = nameByte(e->text);
                stored = st == St::Name ? pos : kKitFieldSubName + pos;
            }
            break;
        case St::Pad:
            if (isOpen(e, "Wv")) {
                st = St::Wave;
            } else if (isOpen(e, "SubWv")) {
                st = St::SubWave;
            } else if (isClose(e, "PadPrm")) {
                if (padCount <= kKitPadCount) ++padCount;
                closedPad = padIndex;
                st = St::Body;
            }
            break;
        case St::Wave:
        case St::SubWave:
            if (e->type == XML_ELEMENT_CLOSE) {
                st = St::Pad;
            } else if (e->type == XML_ELEMENT_VALUE && padIndex >= 0) {
                bool sub = st == St::SubWave;
                stored = kKitFieldPads + 2 * padIndex + (sub ? 1 : 0);
                if (sPad *pad = waveKitPadPtr(kit, padIndex))
                    (sub ? pad->subWaveNumber : pad->waveNumber) = waveFileDecimal(e->text);
            }
            break;
        case St::Done: break;
        }
    }
};

template <class Reader>
void feed(void *ctx, const _sXMLElement *e) {
    static_cast<Reader *>(ctx)->step(e);
}

// Reads a file whole and hands its bytes to `read`; null when it cannot be read.
template <class T, class Fn>
T *readFile(const char *path, Fn read) {
    _sRliFile *f = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1);
    if (!f) return nullptr;
    T *result = read(rliFileGetDataAddr(f), rliFileGetDataSize(f));
    rliFileClose(f);
    return result;
}

// --- In-place update -------------------------------------------------------------------

// A document being updated: the existing file's, or a fresh one. `values`
// holds, per field, every value element a reader takes for it; `end` is the
// root's close tag where a reader's walk ends, and what the writer adds goes
// right before it (or into a pad's block), where a reader is sure to see it.
struct Update {
    _sXML *xml = nullptr;
    _sXMLElement *end = nullptr;
    bool fresh = false;  // no usable old document: built from nothing
    std::vector<std::vector<_sXMLElement *>> values;

    ~Update() { xmlDispose(xml); }

    // Takes the old bytes (null: no old file), walking them with `Reader` and
    // calling `seen(reader, element)` after each step. Returns -1 when the old
    // document came back with elements missing (memory ran out): writing it
    // would drop them. An old file the reader could not be made to see new
    // values in is replaced by a fresh document, as one without its root is:
    // a walk that never closes the root (a value state swallowing the root's
    // close tag, a pad block never closed, the close tag before the open
    // one), or a value of ours that would run into a neighbouring value once
    // written out and read again.
    template <class Reader, class Seen>
    int open(const uint8_t *old, size_t size, const char *root, int fields, Seen seen) {
        values.assign(static_cast<size_t>(fields), {});
        if (old && xmlHasRoot(old, size, root)) {
            xml = xmlOpenMemory(old, size, root);
            if (!xml || xml->lostElements) return -1;
            Reader reader;
            _sXMLElement *start = nullptr;
            for (auto *e = xmlGetFirstElementPtr(xml); e && !reader.done(); e = e->next) {
                reader.step(e);
                if (!start && reader.inBody()) start = e;
                if (reader.stored >= 0) values[static_cast<size_t>(reader.stored)].push_back(e);
                if (reader.done()) end = e;
                seen(reader, e);
            }
            bool usable = start && end;
            for (const auto &field : values)
                for (const _sXMLElement *e : field)
                    if ((e->prev && e->prev->type == XML_ELEMENT_VALUE) || (e->next && e->next->type == XML_ELEMENT_VALUE))
                        usable = false;
            if (!usable) {
                xmlDispose(xml);
                xml = nullptr;
                values.assign(static_cast<size_t>(fields), {});
            } else {
                // The root check that admits a file is exact and also sees
                // bytes after a zero, where the walk stops and from where
                // nothing is written back; the walk takes the root's tags in
                // any case. Spelt exactly, the two tags it went by make the
                // written text pass the check wherever the old one passed it.
                std::snprintf(start->text, sizeof start->text, "%s", root);
                std::snprintf(end->text, sizeof end->text, "%s", root);
            }
        }
        if (!xml) {
            xml = xmlCreate(root);
            if (!xml) return -1;
            fresh = true;
            end = static_cast<_sXMLElement *>(xml->elements.last);
        }
        return 0;
    }

    // Gives `field` the value `text`: every value a reader takes for it is
    // replaced (a reader keeps the last, so a duplicated element must not keep
    // an old value); when there is none, the element is added before `before`.
    // -1 with nothing changed for a text a value cannot carry.
    int set(int field, _sXMLElement *before, const char *name, const char *text, int level) {
        if (!xmlValueIsWritable(text)) return -1;
        auto &found = values[static_cast<size_t>(field)];
        for (_sXMLElement *e : found) std::snprintf(e->text, sizeof e->text, "%s", text);
        return found.empty() ? xmlInsertValue(xml, before, name, text, level) : 0;
    }

    int set(int field, _sXMLElement *before, const char *name, int number, int level) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", number);
        return set(field, before, name, buf, level);
    }

    // Sets one name element per byte position of `field`, fields first..first+len-1.
    int setName(int first, const char *prefix, const char *bytes, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            char tag[16];
            std::snprintf(tag, sizeof tag, "%s%zu", prefix, i);
            if (set(first + static_cast<int>(i), end, tag, nameCode(bytes, length, i), 1) != 0) return -1;
        }
        return 0;
    }
};

int writeText(const char *path, const std::string &text) { return rliFileWriteAll(path, text.data(), text.size()); }

// Reads the old file for an update: 0 with `*file` null when there is none,
// -1 when it exists but cannot be read (an update must not replace what it
// could not see).
int openOld(const char *path, _sRliFile **file) {
    *file = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1);
    struct stat st;
    if (!*file && (stat(path, &st) == 0 || errno != ENOENT)) return -1;
    return 0;
}

// Writes the file at `path` as `update(oldBytes, oldSize, &text)` makes it.
template <class Fn>
int updateFile(const char *path, Fn update) {
    _sRliFile *old = nullptr;
    if (openOld(path, &old) != 0) return -1;
    std::string text;
    int r = update(rliFileGetDataAddr(old), rliFileGetDataSize(old), &text);
    rliFileClose(old);
    return r == 0 ? writeText(path, text) : -1;
}

void appendf(std::string &out, const char *format, int a, int b = 0, int c = 0) {
    char line[64];
    int n = std::snprintf(line, sizeof line, format, a, b, c);
    if (n > 0) out.append(line, std::min(static_cast<size_t>(n), sizeof line - 1));
}

std::string categoryBlocksText(const sListBase *categories, const char *root, bool byName) {
    std::string out = std::string("<") + root + ">\n";
    for (auto *tag = categories ? static_cast<const sTag *>(categories->first) : nullptr; tag; tag = tag->next) {
        out += "\t<WvList>\n";
        const sListBase &members = byName ? tag->membersAlphabet : tag->membersNumber;
        for (auto *n = static_cast<const sListItem *>(members.first); n; n = n->next)
            appendf(out, "\t\t<Wv>%d</Wv>\n", static_cast<const sWave *>(n->item)->waveNumber);
        out += "\t</WvList>\n";
    }
    out += std::string("</") + root + ">\n";
    return out;
}

}  // namespace

// --- Values ------------------------------------------------------------------------------

int32_t waveFileDecimal(const char *text) {
    if (!text) return 0;
    const char *s = text;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    int64_t value = 0;
    for (; isDigit(*s); ++s) {
        value = value * 10 + (*s - '0');
        if (value > INT64_C(2147483648)) value = INT64_C(2147483648);
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

// --- Wave parameter files ----------------------------------------------------------

bool waveFilePathIsSafe(const char *path) {
    if (!path || !isDigit(path[0]) || !isDigit(path[1]) || path[2] != '/') return false;
    // A Shift-JIS trail byte may be 0x5C, so "\" is looked for in the decoded name.
    std::string name = strSjisToUtf8(path + 3);
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

_sWaveFileWavePrm *waveFileWavePrmCreateFromMemory(const uint8_t *data, size_t size, int folder, int file) {
    if (!data || !xmlHasRoot(data, size, kRootWave)) return nullptr;
    auto *prm = static_cast<_sWaveFileWavePrm *>(memCalloc(sizeof(_sWaveFileWavePrm), "WvPrm"));
    if (!prm) return nullptr;
    WavePrmReader reader;
    reader.prm = prm;
    xmlParse(data, size, feed<WavePrmReader>, &reader);
    bool numbered = folder >= 0 && folder <= 99 && file >= 0 && file <= 99;
    prm->waveNumber = numbered ? folder * 100 + file : -1;
    prm->pathDamaged = waveFilePathIsSafe(prm->path) ? 0 : 1;
    return prm;
}

_sWaveFileWavePrm *waveFileWavePrmCreateFromFile(const char *path, int folder, int file) {
    return readFile<_sWaveFileWavePrm>(path, [&](const uint8_t *data, size_t size) {
        return waveFileWavePrmCreateFromMemory(data, size, folder, file);
    });
}

int waveFileWavePrmUpdateText(const sWave *wave, const sListBase *categories, const uint8_t *old, size_t oldSize,
                              std::string *out) {
    if (!wave || !out) return -1;
    Update doc;
    if (doc.open<WavePrmReader>(old, oldSize, kRootWave, kWaveFields, [](const WavePrmReader &, _sXMLElement *) {}) != 0)
        return -1;
    char dataPath[kWaveDataFolderLen + kWaveFileNameLen + 2];
    std::snprintf(dataPath, sizeof dataPath, "%.*s/%.*s", static_cast<int>(kWaveDataFolderLen), wave->dataFolder,
                  static_cast<int>(kWaveFileNameLen), wave->fileName);
    int tagNumber = wave->category && categories ? rliListFindIndex(categories, wave->category) : -1;
    if (doc.setName(0, "Nm", wave->name, kWaveNameLen) != 0 ||
        doc.set(kWaveFieldPath, doc.end, "Path", dataPath, 1) != 0 ||
        doc.set(kWaveFieldTag, doc.end, "Tag", tagNumber, 1) != 0)
        return -1;
    *out = xmlToText(doc.xml);
    return 0;
}

int waveFileWavePrmCreateToFile(const sWave *wave, const sListBase *categories, const char *path) {
    if (!wave || !path) return -1;
    return updateFile(path, [&](const uint8_t *old, size_t size, std::string *text) {
        return waveFileWavePrmUpdateText(wave, categories, old, size, text);
    });
}

void waveFileWavePrmDispose(_sWaveFileWavePrm *prm) {
    if (prm) memFree(prm);
}

const char *waveFileWavePrmGetNamePtr(const _sWaveFileWavePrm *prm) { return prm ? prm->name : nullptr; }
const char *waveFileWavePrmGetFilenamePtr(const _sWaveFileWavePrm *prm) { return prm ? prm->path : nullptr; }
int waveFileWavePrmGetWaveNumber(const _sWaveFileWavePrm *prm) { return prm ? prm->waveNumber : -1; }
int waveFileWavePrmGetTagNumber(const _sWaveFileWavePrm *prm) { return prm ? prm->tagNumber : 0; }

int waveFileWavePrmGetFilenameDirNo(const _sWaveFileWavePrm *prm) {
    if (!prm || prm->pathDamaged) return -1;
    return (prm->path[0] - '0') * 10 + (prm->path[1] - '0');
}

int waveFileWavePrmGetDataPath(const _sWaveFileWavePrm *prm, const char *dataDir, char *out, size_t cap) {
    if (!out || cap == 0) return -1;
    out[0] = '\0';
    if (!prm || !dataDir || prm->pathDamaged || !waveFilePathIsSafe(prm->path)) return -1;
    std::string whole = dataDir;
    if (!whole.empty() && whole.back() != '/') whole += '/';
    whole.append(prm->path, 3);
    whole += strSjisToUtf8(prm->path + 3);
    if (whole.size() >= cap) return -1;
    std::memcpy(out, whole.c_str(), whole.size() + 1);
    return 0;
}

// --- Category list -------------------------------------------------------------------

_sWaveFileTagList *waveFileTagListCreateFromMemory(const uint8_t *data, size_t size) {
    if (!data || !xmlHasRoot(data, size, kRootTagList)) return nullptr;
    auto *list = static_cast<_sWaveFileTagList *>(memCalloc(sizeof(_sWaveFileTagList), "TL"));
    if (!list) return nullptr;
    TagListReader reader;
    reader.list = list;
    xmlParse(data, size, feed<TagListReader>, &reader);
    for (auto *tag = static_cast<sTag *>(list->tags.first); tag; tag = tag->next)
        if (xmlNameIs(tag->name, "DEFAULT")) list->hasDefault = 1;
    return list;
}

_sWaveFileTagList *waveFileTagListCreateFromFile(const char *path) {
    return readFile<_sWaveFileTagList>(path, waveFileTagListCreateFromMemory);
}

int waveFileTagListCreateToFile(const sListBase *categories, const char *path) {
    return path ? writeText(path, waveFileTagListText(categories)) : -1;
}

std::string waveFileTagListText(const sListBase *categories) {
    std::string out = "<TagList>\n";
    for (auto *tag = categories ? static_cast<const sTag *>(categories->first) : nullptr; tag; tag = tag->next) {
        out += "\t<TagPrm>\n";
        // The file holds twelve name bytes; a longer name keeps its first twelve.
        for (int i = 0; i < static_cast<int>(kWaveNameLen); ++i)
            appendf(out, "\t\t<Nm%d>%d</Nm%d>\n", i, nameCode(tag->name, kTagNameLen, static_cast<size_t>(i)), i);
        appendf(out, "\t\t<Order>%d</Order>\n", tag->order);
        out += "\t</TagPrm>\n";
    }
    out += "</TagList>\n";
    return out;
}

sListBase *waveFileTagListPtr(_sWaveFileTagList *list) { return list ? &list->tags : nullptr; }
int waveFileTagListDefulatTagExist(const _sWaveFileTagList *list) { return list ? list->hasDefault : 0; }

void waveFileTagListDispose(_sWaveFileTagList *list) {
    if (!list) return;
    while (auto *tag = static_cast<sTag *>(list->tags.first)) {
        rliListRemLink(&list->tags, tag);
        tagDispose(tag);
    }
    memFree(list);
}

// --- Kit files -----------------------------------------------------------------------

void waveFileKitPrmDispose(sKit *kit) {
    if (!kit) return;
    for (auto *n = static_cast<sListItem *>(kit->pads.first); n; n = n->next)
        if (n->item) memFree(n->item);
    rliListFreeList(&kit->pads);
    memFree(kit);
}

sKit *waveFileKitPrmCreateFromMemory(const uint8_t *data, size_t size) {
    if (!data || !xmlHasRoot(data, size, kRootKit)) return nullptr;
    auto *kit = static_cast<sKit *>(memCalloc(sizeof(sKit), "KitF"));
    if (!kit) return nullptr;
    for (int i = 0; i < kKitPadCount; ++i) {
        auto *pad = static_cast<sPad *>(memCalloc(sizeof(sPad), "PadF"));
        auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "PadItF"));
        if (!pad || !node) {
            if (pad) memFree(pad);
            if (node) memFree(node);
            waveFileKitPrmDispose(kit);
            return nullptr;
        }
        pad->waveNumber = -1;
        pad->subWaveNumber = -1;
        pad->kit = kit;
        node->item = pad;
        rliListAddTail(&kit->pads, node);
    }
    KitReader reader;
    reader.kit = kit;
    xmlParse(data, size, feed<KitReader>, &reader);
    return kit;
}

sKit *waveFileKitPrmCreateFromFile(const char *path) { return readFile<sKit>(path, waveFileKitPrmCreateFromMemory); }

int waveFileKitPrmUpdateText(const sKit *kit, const uint8_t *old, size_t oldSize, std::string *out) {
    if (!kit || !out) return -1;
    // Where each pad's block closes, as a reader sees the blocks.
    _sXMLElement *padClose[kKitPadCount] = {};
    Update doc;
    auto seen = [&](const KitReader &reader, _sXMLElement *e) {
        if (reader.closedPad >= 0) padClose[reader.closedPad] = e;
    };
    if (doc.open<KitReader>(old, oldSize, kRootKit, kKitFields, seen) != 0) return -1;
    if (doc.fresh) std::fill(std::begin(padClose), std::end(padClose), nullptr);
    if (doc.setName(0, "Nm", kit->name, kKitNameLen) != 0 ||
        doc.setName(kKitFieldSubName, "SubNm", kit->subName, kKitSubNameLen) != 0)
        return -1;
    for (int i = 0; i < kKitPadCount; ++i) {
        const sPad *p = waveKitPadPtr(kit, i);
        int wave = p ? p->waveNumber : -1;
        int subWave = p ? p->subWaveNumber : -1;
        int field = kKitFieldPads + 2 * i;
        if (padClose[i]) {
            // A pad's values stay inside its own block: counting "Wv" tags
            // across the whole file would shift every later pad when one block
            // lacks its "Wv".
            if (doc.set(field, padClose[i], "Wv", wave, 2) != 0 || doc.set(field + 1, padClose[i], "SubWv", subWave, 2) != 0)
                return -1;
            continue;
        }
        if (xmlInsertTag(doc.xml, doc.end, "PadPrm", 0, 1) != 0 ||
            xmlInsertValue(doc.xml, doc.end, "Wv", std::to_string(wave).c_str(), 2) != 0 ||
            xmlInsertValue(doc.xml, doc.end, "SubWv", std::to_string(subWave).c_str(), 2) != 0 ||
            xmlInsertTag(doc.xml, doc.end, "PadPrm", 1, 1) != 0)
            return -1;
    }
    *out = xmlToText(doc.xml);
    return 0;
}

int waveFileKitPrmCreateToFile(const sKit *kit, const char *path) {
    if (!kit || !path) return -1;
    return updateFile(path, [&](const uint8_t *old, size_t size, std::string *text) {
        return waveFileKitPrmUpdateText(kit, old, size, text);
    });
}

// --- Wave list files -------------------------------------------------------------------

std::string waveFileWaveListText(const sListBase *alphabeticalWaves, const sListBase *categories, int which) {
    if (which == 1) return categoryBlocksText(categories, "WvListSortbyName_Tag", true);
    if (which == 2) return categoryBlocksText(categories, "WvListSortbyNum_Tag", false);
    std::string out = "<WvListSortbyName>\n";
    for (auto *n = alphabeticalWaves ? static_cast<const sListItem *>(alphabeticalWaves->first) : nullptr; n;
         n = n->next)
        appendf(out, "\t<Wv>%d</Wv>\n", static_cast<const sWave *>(n->item)->waveNumber);
    out += "</WvListSortbyName>\n";
    return out;
}

int waveFileWaveFileCreateListFile(const sListBase *alphabeticalWaves, const char *path) {
    return path ? writeText(path, waveFileWaveListText(alphabeticalWaves, nullptr, 0)) : -1;
}

int waveFileTagListCreateListFileSortbyName(const sListBase *categories, const char *path) {
    return path ? writeText(path, waveFileWaveListText(nullptr, categories, 1)) : -1;
}

int waveFileTagListCreateListFileSortbyNumber(const sListBase *categories, const char *path) {
    return path ? writeText(path, waveFileWaveListText(nullptr, categories, 2)) : -1;
}

namespace {

// The root names of the wave list files, the one without blocks first.
constexpr const char *kWaveListRoots[] = {"WvListSortbyName", "WvListSortbyName_Tag", "WvListSortbyNum_Tag"};

// Collects the wave numbers of a wave list file, one list per "WvList" block
// (or one list where the file has no blocks).
struct sWaveListReader {
    sWaveFileWaveList *out;
    bool blocks;
    bool inRoot = false, inWave = false, inBlock = false;

    static void step(void *ctx, const _sXMLElement *e) {
        auto *self = static_cast<sWaveListReader *>(ctx);
        bool open = e->type == XML_ELEMENT_OPEN, close = e->type == XML_ELEMENT_CLOSE;
        const char *root = self->out->root;
        if (!self->inRoot) {
            self->inRoot = open && std::strcmp(e->text, root) == 0;
            return;
        }
        if (close && std::strcmp(e->text, root) == 0) {
            self->inRoot = false;
        } else if (self->blocks && open && xmlNameIs(e->text, "WvList")) {
            self->out->lists.emplace_back();
            self->inBlock = true;
        } else if (self->blocks && close && xmlNameIs(e->text, "WvList")) {
            self->inBlock = false;
        } else if (open && xmlNameIs(e->text, "Wv")) {
            self->inWave = true;
        } else if (close) {
            self->inWave = false;
        } else if (e->type == XML_ELEMENT_VALUE && self->inWave && (self->inBlock || !self->blocks)) {
            self->out->lists.back().push_back(waveFileDecimal(e->text));
        }
    }
};

// Finds the first open tag that is a root name and decides the kind by it.
struct sKindFinder {
    const uint8_t *data;
    size_t size;
    const char *root = nullptr;
    int kind = WAVEFILE_KIND_NONE;
    bool decided = false;

    static void step(void *ctx, const _sXMLElement *e) {
        struct sRoot {
            const char *name;
            int kind;
        };
        static constexpr sRoot kRoots[] = {
            {"WvPrm", WAVEFILE_KIND_WAVE},
            {"TagList", WAVEFILE_KIND_CATEGORIES},
            {"KitPrm", WAVEFILE_KIND_KIT},
            {kWaveListRoots[0], WAVEFILE_KIND_WAVE_LIST},
            {kWaveListRoots[1], WAVEFILE_KIND_WAVE_LIST},
            {kWaveListRoots[2], WAVEFILE_KIND_WAVE_LIST},
        };
        auto *self = static_cast<sKindFinder *>(ctx);
        if (self->decided || e->type != XML_ELEMENT_OPEN) return;
        for (const sRoot &r : kRoots) {
            if (std::strcmp(e->text, r.name) != 0) continue;
            self->decided = true;
            if (xmlHasRoot(self->data, self->size, r.name)) {
                self->root = r.name;
                self->kind = r.kind;
            }
            return;
        }
    }
};

}  // namespace

int waveFileWaveListRead(const uint8_t *data, size_t size, const char *root, sWaveFileWaveList *out) {
    if (!out) return -1;
    out->root = nullptr;
    out->lists.clear();
    const char *known = nullptr;
    for (const char *r : kWaveListRoots)
        if (root && std::strcmp(root, r) == 0) known = r;
    if (!known) return -1;
    out->root = known;
    sWaveListReader reader{out, known != kWaveListRoots[0]};
    if (!reader.blocks) out->lists.emplace_back();
    xmlParse(data, size, sWaveListReader::step, &reader);
    return 0;
}

// --- Telling the files apart ---------------------------------------------------------------

int waveFileKind(const uint8_t *data, size_t size, const char **root) {
    sKindFinder finder{data, size};
    if (data) xmlParse(data, size, sKindFinder::step, &finder);
    if (root) *root = finder.root;
    return finder.kind;
}
