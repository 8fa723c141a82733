// The card's parameter files. See wavefile.h.
#include "wavelib/wavefile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <cstring>
#include <string>

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
// (straight from the tokenizer, no element list) and finding where an
// in-place writer must put what it adds (over the document's list).

struct WavePrmReader {
    enum class St { Outside, Body, Name, Path, Tag, Done } st = St::Outside;
    _sWaveFileWavePrm *prm;
    int pos = 0;

    bool inBody() const { return st != St::Outside && st != St::Done; }
    bool done() const { return st == St::Done; }

    void step(const _sXMLElement *e) {
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
            } else if (e->type == XML_ELEMENT_VALUE && prm) {
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
    _sWaveFileTagList *list;
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

struct KitReader {
    enum class St { Outside, Body, Name, SubName, Pad, Wave, SubWave, Done } st = St::Outside;
    sKit *kit;
    char name[kKitNameLen + 1] = {};
    char subName[kKitSubNameLen + 1] = {};
    int pos = 0;
    int padCount = 0;  // pad blocks closed so far; held at 16 so it cannot overflow
    sPad *pad = nullptr;

    bool inBody() const { return st != St::Outside && st != St::Done; }
    bool done() const { return st == St::Done; }

    void step(const _sXMLElement *e) {
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
                    pad = padCount < kKitPadCount ? waveKitPadPtr(kit, padCount) : nullptr;
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
            if (e->type == XML_ELEMENT_CLOSE) st = St::Body;
            else if (e->type == XML_ELEMENT_VALUE) (st == St::Name ? name : subName)[pos] = nameByte(e->text);
            break;
        case St::Pad:
            if (isOpen(e, "Wv")) {
                st = St::Wave;
            } else if (isOpen(e, "SubWv")) {
                st = St::SubWave;
            } else if (isClose(e, "PadPrm")) {
                if (padCount <= kKitPadCount) ++padCount;
                st = St::Body;
            }
            break;
        case St::Wave:
        case St::SubWave:
            if (e->type == XML_ELEMENT_CLOSE) {
                st = St::Pad;
            } else if (e->type == XML_ELEMENT_VALUE && pad) {
                (st == St::Wave ? pad->waveNumber : pad->subWaveNumber) = waveFileDecimal(e->text);
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

// An existing document opened for an in-place update, or a fresh one. `body` is
// the root's open tag and `end` the close tag where a reader's walk ends; what
// the writer adds goes right before `end`, so a reader always reaches it.
struct InPlace {
    _sXML *xml = nullptr;
    _sXMLElement *body = nullptr;
    _sXMLElement *end = nullptr;
    bool fresh = false;  // the existing file was missing or could not be updated

    ~InPlace() { xmlDispose(xml); }

    // Walks the existing file with `reader`, calling `seen(element)` after each
    // step. A missing file or one without its root gets a fresh document. A
    // file that exists but cannot be read, or whose document came back with
    // elements missing, fails the update: writing over it would drop what it
    // holds. A file whose walk never closes its root (a value state swallowing
    // the root's close tag, a pad block never closed, the close tag before the
    // open one) could not be updated so that a reader sees the new values: it
    // is replaced by a fresh document, as one without its root is.
    template <class Reader, class Seen>
    bool open(const char *path, const char *root, Reader &reader, Seen seen) {
        _sRliFile *f = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1);
        struct stat st;
        if (!f && (stat(path, &st) == 0 || errno != ENOENT)) return false;
        if (f && xmlHasRoot(rliFileGetDataAddr(f), rliFileGetDataSize(f), root)) {
            xml = xmlOpenMemory(rliFileGetDataAddr(f), rliFileGetDataSize(f), root);
            if (!xml || xml->lostElements) {
                rliFileClose(f);
                return false;
            }
        }
        rliFileClose(f);
        for (auto *e = xmlGetFirstElementPtr(xml); e && !reader.done(); e = e->next) {
            bool wasInBody = reader.inBody();
            reader.step(e);
            if (!wasInBody && reader.inBody()) body = e;
            if (reader.done()) end = e;
            seen(e);
        }
        if (xml && (!body || !end)) {
            xmlDispose(xml);
            xml = nullptr;
            reader = Reader{};
        }
        if (!xml) {
            xml = xmlCreate(root);
            if (!xml) return false;
            fresh = true;
            body = xmlGetFirstElementPtr(xml);
            end = body->next;
        }
        return true;
    }

    // Sets every value of open tags `name` between `from` and `to` (exclusive);
    // when there is none, adds the element before `to`. Every occurrence gets
    // the value because readers take the last one: setting only the first
    // would leave a duplicated element overriding the change. Returns 0 or -1.
    int setOrAdd(_sXMLElement *from, _sXMLElement *to, const char *name, const char *text, int level) {
        int replaced = 0;
        for (auto *e = from; e && e != to; e = e->next) {
            if (isOpen(e, name) && e->next && e->next->type == XML_ELEMENT_VALUE) {
                std::snprintf(e->next->text, sizeof e->next->text, "%s", text);
                ++replaced;
            }
        }
        return replaced ? 0 : xmlInsertValue(xml, to, name, text, level);
    }

    int setOrAdd(_sXMLElement *from, _sXMLElement *to, const char *name, int number, int level) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", number);
        return setOrAdd(from, to, name, buf, level);
    }

    // Sets or adds one name element per byte position of `field`.
    int setName(const char *prefix, const char *field, size_t fieldLen) {
        int r = 0;
        for (size_t i = 0; i < fieldLen && r == 0; ++i) {
            char tag[16];
            std::snprintf(tag, sizeof tag, "%s%zu", prefix, i);
            r = setOrAdd(body, end, tag, nameCode(field, fieldLen, i), 1);
        }
        return r;
    }
};

int writeText(const char *path, const std::string &text) { return rliFileWriteAll(path, text.data(), text.size()); }

void appendf(std::string &out, const char *format, int a, int b = 0, int c = 0) {
    char line[64];
    int n = std::snprintf(line, sizeof line, format, a, b, c);
    out.append(line, static_cast<size_t>(n));
}

int writeCategoryBlocks(const sListBase *categories, const char *path, const char *root, bool byName) {
    if (!path) return -1;
    std::string out = std::string("<") + root + ">\n";
    for (auto *tag = categories ? static_cast<const sTag *>(categories->first) : nullptr; tag; tag = tag->next) {
        out += "\t<WvList>\n";
        const sListBase &members = byName ? tag->membersAlphabet : tag->membersNumber;
        for (auto *n = static_cast<const sListItem *>(members.first); n; n = n->next)
            appendf(out, "\t\t<Wv>%d</Wv>\n", static_cast<const sWave *>(n->item)->waveNumber);
        out += "\t</WvList>\n";
    }
    out += std::string("</") + root + ">\n";
    return writeText(path, out);
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

int waveFileWavePrmCreateToFile(const sWave *wave, const sListBase *categories, const char *path) {
    if (!wave || !path) return -1;
    InPlace doc;
    WavePrmReader reader;
    reader.prm = nullptr;
    if (!doc.open(path, kRootWave, reader, [](_sXMLElement *) {})) return -1;
    char dataPath[kWaveDataFolderLen + kWaveFileNameLen + 2];
    std::snprintf(dataPath, sizeof dataPath, "%.*s/%.*s", static_cast<int>(kWaveDataFolderLen), wave->dataFolder,
                  static_cast<int>(kWaveFileNameLen), wave->fileName);
    int tagNumber = wave->category && categories ? rliListFindIndex(categories, wave->category) : -1;
    if (doc.setName("Nm", wave->name, kWaveNameLen) != 0 ||
        doc.setOrAdd(doc.body, doc.end, "Path", dataPath, 1) != 0 ||
        doc.setOrAdd(doc.body, doc.end, "Tag", tagNumber, 1) != 0)
        return -1;
    return xmlSave(doc.xml, path);
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
    if (!path) return -1;
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
    return writeText(path, out);
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

int waveFileKitPrmCreateToFile(const sKit *kit, const char *path) {
    if (!kit || !path) return -1;
    // The pad blocks as a reader sees them: where each opens and closes.
    _sXMLElement *padOpen[kKitPadCount] = {};
    _sXMLElement *padClose[kKitPadCount] = {};
    InPlace doc;
    KitReader reader;
    reader.kit = nullptr;
    KitReader::St before = reader.st;
    int pad = 0;
    auto seen = [&](_sXMLElement *e) {
        if (before == KitReader::St::Body && reader.st == KitReader::St::Pad && reader.padCount < kKitPadCount)
            padOpen[pad = reader.padCount] = e;
        if (before == KitReader::St::Pad && reader.st == KitReader::St::Body && padOpen[pad] && !padClose[pad])
            padClose[pad] = e;
        before = reader.st;
    };
    if (!doc.open(path, kRootKit, reader, seen)) return -1;
    if (doc.fresh) {
        std::memset(padOpen, 0, sizeof padOpen);
        std::memset(padClose, 0, sizeof padClose);
    }
    if (doc.setName("Nm", kit->name, kKitNameLen) != 0 || doc.setName("SubNm", kit->subName, kKitSubNameLen) != 0)
        return -1;
    for (int i = 0; i < kKitPadCount; ++i) {
        const sPad *p = waveKitPadPtr(kit, i);
        int wave = p ? p->waveNumber : -1;
        int subWave = p ? p->subWaveNumber : -1;
        if (padOpen[i] && padClose[i]) {
            // Values go inside the pad's own block: counting "Wv" tags across
            // the whole file would shift every later pad when one block lacks
            // its "Wv".
            if (doc.setOrAdd(padOpen[i], padClose[i], "Wv", wave, 2) != 0 ||
                doc.setOrAdd(padOpen[i], padClose[i], "SubWv", subWave, 2) != 0)
                return -1;
            continue;
        }
        if (xmlInsertTag(doc.xml, doc.end, "PadPrm", 0, 1) != 0 ||
            xmlInsertValue(doc.xml, doc.end, "Wv", std::to_string(wave).c_str(), 2) != 0 ||
            xmlInsertValue(doc.xml, doc.end, "SubWv", std::to_string(subWave).c_str(), 2) != 0 ||
            xmlInsertTag(doc.xml, doc.end, "PadPrm", 1, 1) != 0)
            return -1;
    }
    return xmlSave(doc.xml, path);
}

// --- Wave list files -------------------------------------------------------------------

int waveFileWaveFileCreateListFile(const sListBase *alphabeticalWaves, const char *path) {
    if (!path) return -1;
    std::string out = "<WvListSortbyName>\n";
    for (auto *n = alphabeticalWaves ? static_cast<const sListItem *>(alphabeticalWaves->first) : nullptr; n;
         n = n->next)
        appendf(out, "\t<Wv>%d</Wv>\n", static_cast<const sWave *>(n->item)->waveNumber);
    out += "</WvListSortbyName>\n";
    return writeText(path, out);
}

int waveFileTagListCreateListFileSortbyName(const sListBase *categories, const char *path) {
    return writeCategoryBlocks(categories, path, "WvListSortbyName_Tag", true);
}

int waveFileTagListCreateListFileSortbyNumber(const sListBase *categories, const char *path) {
    return writeCategoryBlocks(categories, path, "WvListSortbyNum_Tag", false);
}
