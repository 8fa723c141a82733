// The library model. See wavelist.h.
#include "wavelib/wavelist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/audio.h"
#include "foundation/global.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "resource/user.h"
#include "wavelib/card.h"
#include "wavelib/names.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"

const char *const cWAVE_DEFAULT_TAG = "DEFAULT";
const char *const cWAVE_NEW_KIT = "New Kit ";

sWave *gpSelectWave;
sTag *gpSelectTag;
sKit *gpSelectKit;
sPad *gpSelectPad;
int gbSelectPadSub;
sWave *gpDragWave;
sListBase gTagChangeWave;
sListBase gOrderChangeTag;
bool gbRenumberingCalc;

namespace {

void copyField(char *dst, size_t len, const char *src) {
    std::memset(dst, 0, len + 1);
    if (src) std::memcpy(dst, src, strnlen(src, len));
}

void setDataFolder(sWave *wave, int folder) {
    wave->dataFolder[0] = static_cast<char>('0' + folder / 10 % 10);
    wave->dataFolder[1] = static_cast<char>('0' + folder % 10);
    wave->dataFolder[2] = '\0';
}

template <typename T>
T *itemAt(const sListBase *list, int i) {
    auto *node = static_cast<sListItem *>(rliListFindLink(list, i));
    return node ? static_cast<T *>(node->item) : nullptr;
}

// Appends a view node showing `item`. Returns false when memory runs out.
bool addItem(sListBase *list, void *item, const char *tag) {
    auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), tag));
    if (!node) return false;
    node->item = item;
    rliListAddTail(list, node);
    return true;
}

void removeItem(sListBase *list, const void *item) {
    for (auto *n = static_cast<sListItem *>(list->first); n; n = n->next) {
        if (n->item != item) continue;
        rliListFreeLink(list, n);
        return;
    }
}

bool holds(const sListBase *list, const void *item) {
    for (auto *n = static_cast<const sListItem *>(list->first); n; n = n->next)
        if (n->item == item) return true;
    return false;
}

// Takes every entry naming `item` off `list` (sListItem): the touched lists
// may name a record more than once.
void removeEvery(sListBase *list, const void *item) {
    for (auto *n = static_cast<sListItem *>(list->first); n;) {
        auto *next = n->next;
        if (n->item == item) rliListFreeLink(list, n);
        n = next;
    }
}

// Clears what the program keeps pointing at `wave` outside its library: the
// selection, the drag, the touched list and the deferred requests.
void forgetWave(const sWave *wave) {
    removeEvery(&gTagChangeWave, wave);
    removeItem(&gDeleteWave, wave);  // a wave is listed there once
    if (gPadExchange.wave1 == wave) gPadExchange.wave1 = nullptr;
    if (gPadExchange.wave2 == wave) gPadExchange.wave2 = nullptr;
    if (gpSelectWave == wave) gpSelectWave = nullptr;
    if (gpDragWave == wave) gpDragWave = nullptr;
}

void markKit(sPad *pad) {
    if (gbRenumberingCalc && pad->kit) pad->kit->edited = 1;
}

// --- Orders ------------------------------------------------------------------------

bool waveNumberBefore(const sWave *a, const sWave *b) { return a->waveNumber < b->waveNumber; }

// A tracked array of record pointers for sorting; empty when it cannot be had.
template <typename T>
struct SortArray {
    T **items = nullptr;
    size_t count = 0;
    SortArray(size_t n, const char *tag) {
        if (n && (items = static_cast<T **>(memMalloc(sizeof(T *) * n, tag)))) count = n;
    }
    ~SortArray() {
        if (items) memFree(items);
    }
};

// Rebuilds `view` with a node per wave of `list`, ordered by `before`.
template <typename Before>
void rebuildView(sWaveList *list, sListBase *view, const char *tag, Before before) {
    rliListFreeList(view);
    SortArray<sWave> waves(static_cast<size_t>(rliListCount(&list->waves)), "wavSrt");
    size_t i = 0;
    for (auto *w = static_cast<sWave *>(list->waves.first); w && i < waves.count; w = w->next) waves.items[i++] = w;
    std::stable_sort(waves.items, waves.items + waves.count, before);
    for (i = 0; i < waves.count; ++i)
        if (!addItem(view, waves.items[i], tag)) {
            rliListFreeList(view);
            return;
        }
}

// Reorders the items of the nodes of `nodes` in place by `before`; unchanged
// when the array cannot be had.
template <typename T, typename Before>
void sortNodes(sListBase *nodes, const char *tag, Before before) {
    SortArray<T> items(static_cast<size_t>(rliListCount(nodes)), tag);
    if (!items.count) return;
    size_t i = 0;
    for (auto *n = static_cast<sListItem *>(nodes->first); n; n = n->next) items.items[i++] = static_cast<T *>(n->item);
    std::stable_sort(items.items, items.items + items.count, before);
    i = 0;
    for (auto *n = static_cast<sListItem *>(nodes->first); n; n = n->next) n->item = items.items[i++];
}

void freeKit(sKit *kit) {
    rliListFreeList(&kit->pads);
    memFree(kit);
}

// Makes a kit of the library from one read from its file.
void takeFileKit(sWaveList *list, const sKit *file) {
    auto *kit = static_cast<sKit *>(memCalloc(sizeof(sKit), "Kit"));
    if (!kit) return;
    copyField(kit->name, kKitNameLen, file->name);
    copyField(kit->subName, kKitSubNameLen, file->subName);
    kit->kitNumber = file->kitNumber;
    kit->isFile = 1;
    for (int i = 0; i < kKitPadCount; ++i) {
        const sPad *p = waveKitPadPtr(file, i);
        padCreate(list, kit, p ? p->waveNumber : -1, p ? p->subWaveNumber : -1);
    }
    rliListAddTail(&list->kits, kit);
}

// Builds the categories; returns whether DEFAULT had to be added in front.
bool takeCategories(sWaveList *list, _sWaveFileTagList *file) {
    bool added = !file || !waveFileTagListDefulatTagExist(file);
    if (added) waveTagCreate(list, cWAVE_DEFAULT_TAG, nullptr, 0);
    if (file)
        for (auto *t = static_cast<const sTag *>(file->tags.first); t; t = t->next)
            if (sTag *tag = waveTagCreate(list, t->name, nullptr, 0)) tag->order = t->order < 0 ? 0 : t->order;
    list->defaultTag = waveListTagFindName(list, cWAVE_DEFAULT_TAG);
    return added;
}

void takeWaves(sWaveList *list, _sWaveStorage *storage, bool shifted) {
    for (auto *n = static_cast<const sStorageWavePrm *>(storage->wavePrms.first); n; n = n->next) {
        const _sWaveFileWavePrm *prm = n->prm;
        sWave *wave = waveWaveCreate(list, n->audioPath, 1);
        if (!wave) continue;
        waveWaveWaveNumber(list, wave, prm->waveNumber, 1);
        setDataFolder(wave, waveFileWavePrmGetFilenameDirNo(prm));
        copyField(wave->name, kWaveNameLen, prm->name);
        // "Path" was checked by the scan: two digits, "/", a plain name.
        copyField(wave->fileName, kWaveFileNameLen, waveFileWavePrmGetFilenamePtr(prm) + 3);
        int number = prm->tagNumber + (shifted ? 1 : 0);
        sTag *tag = number >= 0 ? static_cast<sTag *>(rliListFindLink(&list->tags, number)) : nullptr;
        if (!tag) tag = list->defaultTag;
        // A loaded wave always has a category; one that cannot join is lost whole.
        if (waveTagAddWave(tag, wave) != 0) waveWaveDispose(list, wave);
    }
    list->lastWaveNumber = -1;
    for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next)
        list->lastWaveNumber = std::max(list->lastWaveNumber, w->waveNumber);
}

void fillKits(sWaveList *list) {
    for (int n = 0; n < kKitCount; ++n) {
        bool have = false;
        for (auto *k = static_cast<const sKit *>(list->kits.first); k && !have; k = k->next) have = k->kitNumber == n;
        if (!have) kitCreate(list, cWAVE_NEW_KIT, n);
    }
    rliListSortList(&list->kits, kitSortNumberCompare);
}

void makeCurrent(sWaveList *list) { G.currentWaveList = list; }

}  // namespace

// --- Building and disposing -------------------------------------------------------

sWaveList *waveListCreateFromStorageWindowOpen(const char *root, int onScreen, uint32_t mode) {
    auto *list = static_cast<sWaveList *>(memCalloc(sizeof(sWaveList), "WL"));
    if (!list) return nullptr;
    list->lastWaveNumber = -1;
    list->card = cardCreate(root);
    if (!list->card) {
        memFree(list);
        return nullptr;
    }
    // On failure the scan has disposed of the library already.
    return wstorageCreateProgress(root, onScreen, list, mode) ? list : nullptr;
}

sWaveList *waveListCreateFromStorage(_sWaveStorage *storage, sWaveList *list) {
    if (!list) {
        wstorageDispose(storage);
        return nullptr;
    }
    list->storage = storage;
    const uint32_t needed = WSTORAGE_ROOT | WSTORAGE_KORVAN | WSTORAGE_KVBRT;
    if (!storage || (storage->flags & needed) != needed) {
        waveListDispose(list);
        return nullptr;
    }
    for (auto *k = static_cast<const sKit *>(storage->kits.first); k; k = k->next) {
        bool have = false;
        for (auto *o = static_cast<const sKit *>(list->kits.first); o && !have; o = o->next)
            have = o->kitNumber == k->kitNumber;
        if (!have && k->kitNumber >= 0 && k->kitNumber < kKitCount) takeFileKit(list, k);
    }
    fillKits(list);
    bool shifted = takeCategories(list, storage->tagList);
    tagCreateOrder(list);
    takeWaves(list, storage, shifted);
    waveListSortItAll(list);
    makeCurrent(list);
    return list;
}

sWaveList *waveListCreateDefault(void) {
    auto *list = static_cast<sWaveList *>(memCalloc(sizeof(sWaveList), "WL"));
    if (!list) return nullptr;
    list->lastWaveNumber = -1;
    list->defaultTag = waveTagCreate(list, cWAVE_DEFAULT_TAG, nullptr, 0);
    if (!list->defaultTag) {
        waveListDispose(list);
        return nullptr;
    }
    tagCreateOrder(list);
    fillKits(list);
    tagSortOrder(list);
    return list;
}

void waveListDispose(sWaveList *list) {
    if (!list) return;
    rliListFreeList(&list->tagOrder);
    rliListFreeList(&list->waveAlphabet);
    rliListFreeList(&list->waveNumber);
    while (auto *kit = static_cast<sKit *>(list->kits.first)) {
        rliListRemLink(&list->kits, kit);
        if (gpSelectKit == kit) gpSelectKit = nullptr;
        freeKit(kit);
    }
    // The touched lists and the deferred requests outlive a library closed
    // before the main window or the request step took them (a quit while the
    // wave edit window is open): they must not keep pointing into it.
    while (auto *tag = static_cast<sTag *>(list->tags.first)) {
        rliListRemLink(&list->tags, tag);
        waveTagForget(tag);
        tagDispose(tag);
    }
    for (auto *n = static_cast<sListItem *>(list->removedTags.first); n; n = n->next) {
        waveTagForget(static_cast<sTag *>(n->item));
        tagDispose(static_cast<sTag *>(n->item));
    }
    rliListFreeList(&list->removedTags);
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) forgetWave(w);
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next)
        if (gpSelectPad == p) gpSelectPad = nullptr;
    rliListFreeList(&list->waves);
    rliListFreeList(&list->pads);
    wstorageDispose(list->storage);
    cardClose(list->card);
    if (G.currentWaveList == list) G.currentWaveList = nullptr;
    memFree(list);
}

void waveListSetCard(sWaveList *list, sCard *card) {
    if (!list) return;
    if (list->card != card) cardClose(list->card);
    list->card = card;
}

// --- Waves ---------------------------------------------------------------------------

sWave *waveWaveCreate(sWaveList *list, const char *path, int keepPads) {
    if (!list || list->lastWaveNumber > kWaveNumberMax) return nullptr;
    auto *wave = static_cast<sWave *>(memCalloc(sizeof(sWave), "Wave"));
    if (!wave) return nullptr;
    waveWaveWaveNumber(list, wave, ++list->lastWaveNumber, keepPads);
    char dir[kRliPathMax], base[kRliPathMax], ext[kRliPathMax];
    if (path && rliStringSplitpathA(nullptr, dir, base, ext, path) == 0) {
        std::string stem(std::strlen(base) + 1, '\0');
        strSameName(stem.data(), base);
        copyField(wave->name, kWaveNameLen, stem.c_str());
        char file[kRliPathMax + kRliPathMax + 8];
        std::snprintf(file, sizeof file, "%s/%s%s", wave->dataFolder, stem.c_str(), ext);
        copyField(wave->fileName, kWaveFileNameLen, file);
    }
    rliListAddTail(&list->waves, wave);
    return wave;
}

void waveWaveWaveNumber(sWaveList *list, sWave *wave, int number, int keepPads) {
    if (!wave) return;
    int old = wave->waveNumber;
    wave->waveNumber = number;
    setDataFolder(wave, number < 0 ? 0 : number / 100);
    if (keepPads || !list || old == number) return;
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next) {
        if (p->waveNumber == old) {
            p->waveNumber = number;
            markKit(p);
        }
        if (p->subWaveNumber == old) {
            p->subWaveNumber = number;
            markKit(p);
        }
    }
}

void waveWaveDispose(sWaveList *list, sWave *wave) {
    if (!list || !wave) return;
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next) {
        if (p->waveNumber == wave->waveNumber) {
            p->waveNumber = -1;
            markKit(p);
        }
        if (p->subWaveNumber == wave->waveNumber) {
            p->subWaveNumber = -1;
            markKit(p);
        }
    }
    for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next) {
        removeItem(&t->membersAlphabet, wave);
        removeItem(&t->membersNumber, wave);
        if (holds(&t->members, wave)) {
            removeItem(&t->members, wave);
            break;
        }
    }
    // The views are rebuilt before their next use; they must not keep a freed wave.
    removeItem(&list->waveAlphabet, wave);
    removeItem(&list->waveNumber, wave);
    // A request raised for it before it went must not reach a freed wave.
    forgetWave(wave);
    rliListFreeLink(&list->waves, wave);
}

void waveWaveName(sWave *wave, const char *text) {
    if (wave) copyField(wave->name, kWaveNameLen, text);
}
const char *waveWaveNamePtr(const sWave *wave) { return wave ? wave->name : nullptr; }
void waveWaveFilename(sWave *wave, const char *text) {
    if (wave) copyField(wave->fileName, kWaveFileNameLen, text);
}
const char *waveWaveFilenamePtr(const sWave *wave) { return wave ? wave->fileName : nullptr; }
int waveWaveWaveNumber(const sWave *wave) { return wave ? wave->waveNumber : -1; }
sTag *waveWaveTagPtr(const sWave *wave) { return wave ? wave->category : nullptr; }
void waveWaveIsNew(sWave *wave, int flag) {
    if (wave) wave->isNew = flag;
}
int waveWaveIsNew(const sWave *wave) { return wave ? wave->isNew : 0; }
void waveWaveSaveRequest(sWave *wave, int flag) {
    if (!wave) return;
    wave->saveRequest = flag;
    if (flag) gStatus |= WAVE_STATUS_WAVE_SAVE;
}

void waveWaveTagChange(sWave *wave, sTag *tag) {
    if (!wave || !tag || wave->category == tag) return;
    if (wave->category) waveTagRemWave(wave->category, wave);
    if (waveTagAddWave(tag, wave) != 0) return;
    waveWaveSaveRequest(wave, 1);
    waveListSortItAllRequest();
    waveListOperationWave(wave);
}

int waveWaveAudioPath(const sWaveList *list, const sWave *wave, char *out, size_t cap) {
    if (out && cap) out[0] = '\0';
    if (!list || !wave || !out) return -1;
    std::string folder(wave->dataFolder, strnlen(wave->dataFolder, kWaveDataFolderLen));
    std::string file = strSjisToUtf8(std::string(wave->fileName, strnlen(wave->fileName, kWaveFileNameLen)));
    for (const std::string &part : {folder, file})
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos) return -1;
    return cardPath(list->card, out, cap, (cSTORAGE_DIR_WAVE_DATA + folder + "/" + file).c_str());
}

int waveWaveFileExist(const sWaveList *list, const sWave *wave) {
    char path[kRliPathMax];
    if (waveWaveAudioPath(list, wave, path, sizeof path) != 0) return -1;
    _sAudioContext *ctx = audioDecode(path);
    if (!ctx) return -1;
    int result = audioIsPlayable(ctx) ? 0 : -2;
    audioDispose(ctx);
    return result;
}

int waveWaveFileExistMbox(const sWaveList *list, const sWave *wave, int (*mbox)(int title, int text, int kind)) {
    int result = waveWaveFileExist(list, wave);
    if (result != 0 && mbox) mbox(56, result == -1 ? 83 : 84, 0);
    return result;
}

void waveWaveGetEffectiveName(char *buf, const char *path) {
    if (!buf) return;
    std::memset(buf, 0, kWaveNameLen + 1);
    char dir[kRliPathMax], base[kRliPathMax], ext[kRliPathMax];
    if (!path || rliStringSplitpathA(nullptr, dir, base, ext, path) != 0) return;
    waveNameFromFile(buf, base);
}

int waveWaveKitIsUsedCount(const sWaveList *list, const sWave *wave) {
    int count = 0;
    while (waveWaveKitIsUsedKitNumber(list, wave, count) >= 0) ++count;
    return count;
}

int waveWaveKitIsUsedKitNumber(const sWaveList *list, const sWave *wave, int n) {
    if (!list || !wave || n < 0) return -1;
    for (auto *k = static_cast<const sKit *>(list->kits.first); k; k = k->next) {
        bool used = false;
        for (auto *node = static_cast<const sListItem *>(k->pads.first); node && !used; node = node->next) {
            auto *p = static_cast<const sPad *>(node->item);
            used = p->waveNumber == wave->waveNumber || p->subWaveNumber == wave->waveNumber;
        }
        if (used && n-- == 0) return k->kitNumber;
    }
    return -1;
}

int strSameName(char *out, const char *name) {
    if (!out) return -1;
    if (!name) {
        out[0] = '\0';
        return -1;
    }
    size_t len = std::strlen(name);
    int digits = 0;
    size_t i = len;
    while (i > 0 && name[i - 1] != '_') {
        if (name[i - 1] >= '0' && name[i - 1] <= '9') ++digits;
        --i;
    }
    if (i == 0 || digits == 0) {
        std::memmove(out, name, len + 1);
        return -1;
    }
    int value = 0;
    for (const char *p = name + i; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (*p - '0');
    std::memmove(out, name, i - 1);
    out[i - 1] = '\0';
    return value;
}

// --- Categories ---------------------------------------------------------------------

sTag *waveTagCreate(sWaveList *list, const char *name, int (*mbox)(int title, int text, int kind), int onTop) {
    if (!list) return nullptr;
    if (rliListCount(&list->tags) >= kTagCountMax) {
        if (mbox) mbox(56, 69, 0);
        return nullptr;
    }
    sTag *tag = tagCreate(name, 0);
    if (!tag) return nullptr;
    rliListAddTail(&list->tags, tag);
    if (onTop) {
        int key = 0;
        for (auto *n = static_cast<sListItem *>(list->tagOrder.last); n; n = n->prev)
            static_cast<sTag *>(n->item)->order = key++;
        tag->order = key;
    }
    tagCreateOrder(list);
    tagSortOrder(list);
    return tag;
}

int waveTagAddWave(sTag *tag, sWave *wave) {
    if (!tag || !wave || wave->category) return -1;
    sListBase nodes[3] = {};
    for (auto &n : nodes)
        if (!addItem(&n, wave, "WaveI")) {
            for (auto &m : nodes) rliListFreeList(&m);
            return -1;
        }
    rliListAddTail(&tag->members, nodes[0].first);
    rliListAddTail(&tag->membersAlphabet, nodes[1].first);
    rliListAddTail(&tag->membersNumber, nodes[2].first);
    wave->category = tag;
    return 0;
}

void waveTagRemWave(sTag *tag, sWave *wave) {
    if (!tag || !wave) return;
    removeItem(&tag->members, wave);
    removeItem(&tag->membersAlphabet, wave);
    removeItem(&tag->membersNumber, wave);
    wave->category = nullptr;
}

int waveTagNumber(const sWaveList *list, const sTag *tag) { return list ? rliListFindIndex(&list->tags, tag) : -1; }

sTag *waveListTagFindName(const sWaveList *list, const char *name) {
    if (!list || !name) return nullptr;
    char wanted[kTagNameLen + 1];
    copyField(wanted, kTagNameLen, name);
    for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next)
        if (rliStrCaseCmp(t->name, wanted) == 0) return t;
    return nullptr;
}

void waveTagName(sTag *tag, const char *text) {
    if (tag) copyField(tag->name, kTagNameLen, text);
}
const char *waveTagNamePtr(const sTag *tag) { return tag ? tag->name : nullptr; }
void waveTagOrder(sTag *tag, int order) {
    if (tag) tag->order = order < 0 ? 0 : order;
}
int waveTagOrder(const sTag *tag) { return tag ? tag->order : 0; }
void waveTagIsOpen(sTag *tag, int flag) {
    if (tag) tag->isOpen = flag;
}
int waveTagIsOpen(const sTag *tag) { return tag ? tag->isOpen : 0; }
int waveTagHadWaveCount(const sTag *tag) { return tag ? rliListCount(&tag->members) : 0; }
sWave *waveTagHadWavePtr(const sTag *tag, int i) { return tag ? itemAt<sWave>(&tag->members, i) : nullptr; }
sWave *waveTagHadWaveAlphabetPtr(const sTag *tag, int i) {
    return tag ? itemAt<sWave>(&tag->membersAlphabet, i) : nullptr;
}
sWave *waveTagHadWaveNumberPtr(const sTag *tag, int i) { return tag ? itemAt<sWave>(&tag->membersNumber, i) : nullptr; }
sListBase *waveTagHadWaveIterListAlphabetPtr(sTag *tag) { return tag ? &tag->membersAlphabet : nullptr; }
sListBase *waveTagHadWaveIterListNumberPtr(sTag *tag) { return tag ? &tag->membersNumber : nullptr; }

// --- Kits and pads ----------------------------------------------------------------------

sKit *kitCreate(sWaveList *list, const char *name, int number) {
    if (!list) return nullptr;
    auto *kit = static_cast<sKit *>(memCalloc(sizeof(sKit), "Kit"));
    if (!kit) return nullptr;
    copyField(kit->name, kKitNameLen, name);
    for (int i = 0; i < kKitPadCount; ++i) padCreate(list, kit, -1, -1);
    kit->kitNumber = number;
    rliListAddTail(&list->kits, kit);
    return kit;
}

sPad *padCreate(sWaveList *list, sKit *kit, int wave, int subWave) {
    if (!list || !kit) return nullptr;
    auto *pad = static_cast<sPad *>(memCalloc(sizeof(sPad), "Pad"));
    auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "PadIt"));
    if (!pad || !node) {
        if (pad) memFree(pad);
        if (node) memFree(node);
        return nullptr;
    }
    pad->waveNumber = wave;
    pad->subWaveNumber = subWave;
    pad->kit = kit;
    node->item = pad;
    rliListAddTail(&list->pads, pad);
    rliListAddTail(&kit->pads, node);
    return pad;
}

void waveKitName(sKit *kit, const char *text) {
    if (kit) copyField(kit->name, kKitNameLen, text);
}
const char *waveKitNamePtr(const sKit *kit) { return kit ? kit->name : nullptr; }
void waveKitSubName(sKit *kit, const char *text) {
    if (kit) copyField(kit->subName, kKitSubNameLen, text);
}
const char *waveKitSubNamePtr(const sKit *kit) { return kit ? kit->subName : nullptr; }
int waveKitKitNo(const sKit *kit) { return kit ? kit->kitNumber : -1; }
void waveKitIsFile(sKit *kit, int flag) {
    if (kit) kit->isFile = flag;
}
int waveKitIsFile(const sKit *kit) { return kit ? kit->isFile : 0; }
void waveKitEdit(sKit *kit) {
    if (kit) kit->edited = 1;
}
sListBase *waveKitPadIterListPtr(sKit *kit) { return kit ? &kit->pads : nullptr; }
void wavePadWaveNumber(sPad *pad, int n) {
    if (pad) pad->waveNumber = n;
}
int wavePadWaveNumber(const sPad *pad) { return pad ? pad->waveNumber : -1; }
void wavePadSubWaveNumber(sPad *pad, int n) {
    if (pad) pad->subWaveNumber = n;
}
int wavePadSubWaveNumber(const sPad *pad) { return pad ? pad->subWaveNumber : -1; }
sWave *wavePadWavePtr(const sWaveList *list, const sPad *pad) {
    return pad ? waveListFindWaveNumber(list, pad->waveNumber) : nullptr;
}
sWave *wavePadSubWavePtr(const sWaveList *list, const sPad *pad) {
    return pad ? waveListFindWaveNumber(list, pad->subWaveNumber) : nullptr;
}

// --- Library accessors ------------------------------------------------------------------

int waveListKitCount(const sWaveList *list) { return list ? rliListCount(&list->kits) : 0; }
sKit *waveListKitPtr(const sWaveList *list, int i) {
    return list ? static_cast<sKit *>(rliListFindLink(&list->kits, i)) : nullptr;
}
sListBase *waveListKitListPtr(sWaveList *list) { return list ? &list->kits : nullptr; }
int waveListKitFileCount(const sWaveList *list) {
    int n = 0;
    for (auto *k = list ? static_cast<const sKit *>(list->kits.first) : nullptr; k; k = k->next) n += k->isFile ? 1 : 0;
    return n;
}
int waveListTagCount(const sWaveList *list) { return list ? rliListCount(&list->tags) : 0; }
sTag *waveListTagPtr(const sWaveList *list, int i) {
    return list ? static_cast<sTag *>(rliListFindLink(&list->tags, i)) : nullptr;
}
sListBase *waveListTagListPtr(sWaveList *list) { return list ? &list->tags : nullptr; }
sListBase *waveListTagIterListOrderPtr(sWaveList *list) { return list ? &list->tagOrder : nullptr; }
int waveListWaveCount(const sWaveList *list) { return list ? rliListCount(&list->waves) : 0; }
sWave *waveListWavePtr(const sWaveList *list, int i) {
    return list ? static_cast<sWave *>(rliListFindLink(&list->waves, i)) : nullptr;
}
sWave *waveListWaveAlphabetPtr(const sWaveList *list, int i) {
    return list ? itemAt<sWave>(&list->waveAlphabet, i) : nullptr;
}
sWave *waveListWaveWaveNumberPtr(const sWaveList *list, int i) {
    return list ? itemAt<sWave>(&list->waveNumber, i) : nullptr;
}
sListBase *waveListWaveIterListAlphabetPtr(sWaveList *list) { return list ? &list->waveAlphabet : nullptr; }
sListBase *waveListWaveIterListWaveNumberPtr(sWaveList *list) { return list ? &list->waveNumber : nullptr; }
int waveListPadCount(const sWaveList *list) { return list ? rliListCount(&list->pads) : 0; }
sPad *waveListPadPtr(const sWaveList *list, int i) {
    return list ? static_cast<sPad *>(rliListFindLink(&list->pads, i)) : nullptr;
}
int waveListLastWaveNumber(const sWaveList *list) { return list ? list->lastWaveNumber : -1; }
_sWaveStorage *waveListStoragePtr(sWaveList *list) { return list ? list->storage : nullptr; }

sWave *waveListFindWaveNumber(const sWaveList *list, int number) {
    if (!list || number < 0) return nullptr;
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
        if (w->waveNumber == number) return w;
    return nullptr;
}

// --- Selection and touched records --------------------------------------------------------

sWave *waveWaveSelectPtr(void) { return gpSelectWave; }
void waveTagSelect(sTag *tag) { gpSelectTag = tag; }
sTag *waveTagSelectPtr(void) { return gpSelectTag; }
void waveTagForget(const sTag *tag) {
    if (gpSelectTag == tag) gpSelectTag = nullptr;
    removeEvery(&gOrderChangeTag, tag);
}
void waveKitSelect(sKit *kit) {
    gpSelectKit = kit;
    if (kit) userSetKitIndex(kit->kitNumber);
}
sKit *waveKitSelectPtr(void) { return gpSelectKit; }
void wavePadSelect(sPad *pad, int sub) {
    gpSelectPad = pad;
    gbSelectPadSub = sub;
}
sPad *wavePadSelectPtr(void) { return gpSelectPad; }
int wavePadSelectSub(void) { return gbSelectPadSub; }
void waveWaveDrag(sWave *wave) { gpDragWave = wave; }
sWave *waveWaveDragPtr(void) { return gpDragWave; }
int waveListOperationWave(sWave *wave) { return addItem(&gTagChangeWave, wave, "witer") ? 0 : -1; }
sWave *waveListOperationWaveFirstPtr(void) { return itemAt<sWave>(&gTagChangeWave, 0); }
void waveListOperationWaveDelete(void) { rliListFreeList(&gTagChangeWave); }
int waveListOperationTag(sTag *tag) { return addItem(&gOrderChangeTag, tag, "titer") ? 0 : -1; }
sTag *waveListOperationTagFirstPtr(void) { return itemAt<sTag>(&gOrderChangeTag, 0); }
void waveListOperationTagDelete(void) { rliListFreeList(&gOrderChangeTag); }

// --- Views ---------------------------------------------------------------------------------

void waveSortAlphabet(sWaveList *list) {
    if (list) rebuildView(list, &list->waveAlphabet, "witerA", waveAlphabetBefore);
}

void waveSortWaveNumber(sWaveList *list) {
    if (list) rebuildView(list, &list->waveNumber, "wIter", waveNumberBefore);
}

void tagSortWaveAlphabet(sWaveList *list) {
    for (auto *t = list ? static_cast<sTag *>(list->tags.first) : nullptr; t; t = t->next)
        sortNodes<sWave>(&t->membersAlphabet, "tagTbl", waveAlphabetBefore);
}

void tagSortWaveNumber(sWaveList *list) {
    for (auto *t = list ? static_cast<sTag *>(list->tags.first) : nullptr; t; t = t->next)
        sortNodes<sWave>(&t->membersNumber, "tagTbl", waveNumberBefore);
}

void tagCreateOrder(sWaveList *list) {
    if (!list) return;
    rliListFreeList(&list->tagOrder);
    for (auto *t = static_cast<sTag *>(list->tags.first); t; t = t->next)
        if (!addItem(&list->tagOrder, t, "TI")) {
            rliListFreeList(&list->tagOrder);
            return;
        }
}

void tagSortOrder(sWaveList *list) {
    if (list) sortNodes<sTag>(&list->tagOrder, "tagSrt", [](const sTag *a, const sTag *b) { return a->order > b->order; });
}

void waveListSortItAll(sWaveList *list) {
    tagSortOrder(list);
    tagSortWaveAlphabet(list);
    tagSortWaveNumber(list);
    waveSortAlphabet(list);
    waveSortWaveNumber(list);
}
