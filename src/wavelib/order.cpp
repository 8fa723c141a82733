// Orders, arranging, naming and renumbering. See order.h.
#include "wavelib/order.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/copy.h"
#include "foundation/fault.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "wavelib/card.h"
#include "wavelib/journal.h"
#include "wavelib/kitsave.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"

namespace {

const sWave *asWave(const void *p) { return static_cast<const sWave *>(p); }

int foldedByte(char c) { return static_cast<signed char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); }

}  // namespace

// --- Compare functions -----------------------------------------------------------

bool waveAlphabetBefore(const sWave *a, const sWave *b) {
    for (size_t i = 0; i < kWaveNameLen; ++i) {
        int x = foldedByte(a->name[i]), y = foldedByte(b->name[i]);
        if (x != y) return x < y;
    }
    return a->waveNumber < b->waveNumber;
}

int waveSortAlphabetCompare(const void *a, const void *b) { return waveAlphabetBefore(asWave(b), asWave(a)) ? 1 : 0; }
int tagSortWaveAlphabetCompare(const void *a, const void *b) { return waveSortAlphabetCompare(a, b); }
int waveSortWaveNumberCompare(const void *a, const void *b) {
    return asWave(a)->waveNumber > asWave(b)->waveNumber ? 1 : 0;
}
int tagSortWaveNumberCompare(const void *a, const void *b) { return waveSortWaveNumberCompare(a, b); }
int tagSortOrderCompare(const void *a, const void *b) {
    return static_cast<const sTag *>(a)->order < static_cast<const sTag *>(b)->order ? 1 : 0;
}
int kitSortNumberCompare(const void *a, const void *b) {
    return static_cast<const sKit *>(a)->kitNumber > static_cast<const sKit *>(b)->kitNumber ? 1 : 0;
}

// --- Arranging categories ------------------------------------------------------------

void waveListTagOrderJustified(sWaveList *list) {
    int key = 0;
    for (auto *n = list ? static_cast<sListItem *>(list->tagOrder.last) : nullptr; n; n = n->prev)
        static_cast<sTag *>(n->item)->order = key++;
}

namespace {

sListItem *orderNode(sWaveList *list, const sTag *tag) {
    for (auto *n = static_cast<sListItem *>(list->tagOrder.first); n; n = n->next)
        if (n->item == tag) return n;
    return nullptr;
}

int replaceTag(sWaveList *list, sTag *anchor, sTag *moved, bool after) {
    if (!list || !anchor || !moved || anchor == moved) return -1;
    sListItem *a = orderNode(list, anchor), *m = orderNode(list, moved);
    if (!a || !m) return -1;
    rliListRemLink(&list->tagOrder, m);
    if (after) rliListInsertLinkAfter(&list->tagOrder, a, m);
    else rliListInsertLinkBefore(&list->tagOrder, a, m);
    waveListTagOrderJustified(list);
    tagCreateOrder(list);
    tagSortOrder(list);
    waveListOperationTag(moved);
    return 0;
}

}  // namespace

int waveTagReplacementAfter(sWaveList *list, sTag *anchor, sTag *moved) { return replaceTag(list, anchor, moved, true); }
int waveTagReplacementBefore(sWaveList *list, sTag *anchor, sTag *moved) {
    return replaceTag(list, anchor, moved, false);
}

// --- Naming audio files ----------------------------------------------------------------

size_t waveSjisCutLength(const char *text, size_t max) {
    if (!text) return 0;
    size_t i = 0;
    for (;;) {
        auto c = static_cast<unsigned char>(text[i]);
        if (!c) return i;
        size_t width = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
        if (width == 2 && !text[i + 1]) width = 1;
        if (i + width > max) return i;
        i += width;
    }
}

namespace {

// A wave's audio file name taken apart: the base name without its same-name
// suffix and the extension, both in Shift-JIS (as stored) and as the card's
// file system spells them.
struct NameParts {
    std::string base, ext;          // Shift-JIS
    std::string baseDisk, extDisk;  // UTF-8
};

NameParts nameParts(const char *fileName) {
    std::string whole(fileName, strnlen(fileName, kWaveFileNameLen));
    // A name made before the real one was set may still carry "NN/".
    if (size_t slash = whole.rfind('/'); slash != std::string::npos) whole.erase(0, slash + 1);
    NameParts p;
    size_t dot = whole.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = whole.size();
    p.ext = whole.substr(dot);
    std::string stem = whole.substr(0, dot);
    p.base.assign(stem.size() + 1, '\0');
    strSameName(p.base.data(), stem.c_str());
    p.base.resize(std::strlen(p.base.c_str()));
    p.baseDisk = strSjisToUtf8(p.base);
    p.extDisk = strSjisToUtf8(p.ext);
    return p;
}

std::string stripped(const char *name) {
    std::string out(std::strlen(name) + 1, '\0');
    strSameName(out.data(), name);
    out.resize(std::strlen(out.c_str()));
    return out;
}

int countSameName(const sListBase *names, const NameParts &p) {
    int count = 0;
    for (auto *e = static_cast<const sStorageWaveName *>(names->first); e; e = e->next) {
        std::string base = e->placed ? std::string(e->baseName) : stripped(e->baseName);
        if (rliStrCaseCmp(base.c_str(), p.baseDisk.c_str()) == 0 && rliStrCaseCmp(e->ext, p.extDisk.c_str()) == 0)
            ++count;
    }
    return count;
}

int maxSameNumber(const sListBase *names, const NameParts &p) {
    int best = 0;
    for (auto *e = static_cast<const sStorageWaveName *>(names->first); e; e = e->next) {
        std::string base(std::strlen(e->baseName) + 1, '\0');
        int n = strSameName(base.data(), e->baseName);
        if (rliStrCaseCmp(base.c_str(), p.baseDisk.c_str()) == 0) best = std::max(best, n);
    }
    return best;
}

// Whether the folder holds a file of exactly this name (any case).
bool holdsName(const sListBase *names, const std::string &disk) {
    for (auto *e = static_cast<const sStorageWaveName *>(names->first); e; e = e->next)
        if (rliStrCaseCmp((std::string(e->baseName) + e->ext).c_str(), disk.c_str()) == 0) return true;
    return false;
}

// The name with suffix `number` (none for a negative one), cut to the 16 bytes
// the device keeps by shortening the base, so suffix and extension survive.
std::string composeName(const NameParts &p, int number) {
    char suffix[16] = "";
    if (number >= 0) std::snprintf(suffix, sizeof suffix, "_%02d", number);
    std::string tail = std::string(suffix) + p.ext;
    if (tail.size() >= kWaveFileNameLen) {
        std::string all = p.base + tail;
        return all.substr(0, waveSjisCutLength(all.c_str(), kWaveFileNameLen));
    }
    return p.base.substr(0, waveSjisCutLength(p.base.c_str(), kWaveFileNameLen - tail.size())) + tail;
}

// The clash-free name in a folder whose names are `names`: the base alone
// when no file has it, else one above the highest suffix; then the next free
// suffix while the result is taken (a cut name can meet another file's name).
std::string clashFreeName(const sListBase *names, const NameParts &p) {
    int number = countSameName(names, p) < 1 ? -1 : maxSameNumber(names, p) + 1;
    for (int tries = 0; tries < 1000; ++tries) {
        std::string name = composeName(p, number);
        if (!holdsName(names, strSjisToUtf8(name))) return name;
        number = number < 0 ? std::max(1, maxSameNumber(names, p) + 1) : number + 1;
    }
    return composeName(p, number);
}

int folderOf(int number) { return number / 100; }

sListBase *cacheOf(const sWaveList *list, const sWave *wave) {
    waveStorageWaveFile(list->card, wave);
    return &gStorageWave[folderOf(wave->waveNumber)];
}

bool validWave(const sWave *wave) { return wave && wave->waveNumber >= 0 && wave->waveNumber <= kWaveNumberMax; }

}  // namespace

int waveSameNameCount(sWaveList *list, const sWave *wave) {
    if (!list || !validWave(wave)) return 0;
    return countSameName(cacheOf(list, wave), nameParts(wave->fileName));
}

int waveSameNameMaxNumber(sWaveList *list, const sWave *wave) {
    if (!list || !validWave(wave)) return 0;
    return maxSameNumber(cacheOf(list, wave), nameParts(wave->fileName));
}

void waveSameNameFilename(sWaveList *list, const sWave *wave, char *out) {
    if (!out) return;
    std::memset(out, 0, kWaveFileNameLen + 1);
    if (!list || !validWave(wave)) return;
    std::string name = clashFreeName(cacheOf(list, wave), nameParts(wave->fileName));
    std::memcpy(out, name.data(), std::min(name.size(), kWaveFileNameLen));
}

// --- Renumbering -------------------------------------------------------------------------

namespace {

sRenumberResult gResult;

bool faulted() { return rliFaultFileHit() != 0; }

// The folders of the card as found on disk (any case), each looked up once
// per run: a renumbering of thousands of waves would otherwise walk the same
// folders from the root for every path it builds.
struct CardFolders {
    const sCard *card = nullptr;  // the card of the run
    std::string data[kStorageFolderCount], prm[kStorageFolderCount];
    // The names in each parameter folder, listed once, for lookups without regard to case.
    std::vector<std::string> prmNames[kStorageFolderCount];
    bool prmListed[kStorageFolderCount] = {};
    // Folders known to exist, so each is made (or checked) once per run.
    bool dataMade[kStorageFolderCount] = {}, prmMade[kStorageFolderCount] = {};

    bool made(bool *known, const char *tree, int folder) {
        if (!known[folder]) {
            char rel[64];
            std::snprintf(rel, sizeof rel, "%s%02d/", tree, folder);
            known[folder] = cardMakeDir(card, rel) == 0;
        }
        return known[folder];
    }

    void reset(const sCard *of) {
        card = of;
        for (int i = 0; i < kStorageFolderCount; ++i) {
            data[i].clear();
            prm[i].clear();
            prmNames[i].clear();
            prmListed[i] = dataMade[i] = prmMade[i] = false;
        }
    }
    const std::string &folder(std::string *cache, const char *tree, int folder) {
        if (cache[folder].empty()) {
            char rel[64], out[kRliPathMax];
            std::snprintf(rel, sizeof rel, "%s%02d/", tree, folder);
            if (cardPath(card, out, sizeof out, rel) == 0) cache[folder] = out;
        }
        return cache[folder];
    }
    const std::vector<std::string> &prmListing(int folder) {
        if (!prmListed[folder]) {
            prmListed[folder] = true;
            if (DIR *d = opendir(this->folder(prm, cSTORAGE_DIR_WAVE_PRM, folder).c_str())) {
                while (dirent *e = readdir(d)) prmNames[folder].push_back(e->d_name);
                closedir(d);
            }
        }
        return prmNames[folder];
    }
};
CardFolders gFolders;

// `dir` + `name`, taking a file of that name in another case when there is
// one (the card ignores case; a copy on a Linux disk does not). `names` is
// the folder's listing when known (then no lookup is made), else the file is
// looked up and, when absent, the folder read.
std::string fileIn(const std::string &dir, const std::string &name, const std::vector<std::string> *names = nullptr) {
    struct stat st;
    std::string exact = dir + name;
    if (names) {
        const std::string *other = nullptr;
        for (const auto &n : *names) {
            if (n == name) return exact;
            if (!other && rliStrCaseCmp(n.c_str(), name.c_str()) == 0) other = &n;
        }
        return other ? dir + *other : exact;
    }
    if (dir.empty() || lstat(exact.c_str(), &st) == 0 || errno != ENOENT) return exact;
    DIR *d = opendir(dir.c_str());
    if (!d) return exact;
    while (dirent *e = readdir(d))
        if (rliStrCaseCmp(e->d_name, name.c_str()) == 0) {
            exact = dir + e->d_name;
            break;
        }
    closedir(d);
    return exact;
}

std::string dataFolderPath(int folder) { return gFolders.folder(gFolders.data, cSTORAGE_DIR_WAVE_DATA, folder); }

std::string prmFolderPath(int number) { return gFolders.folder(gFolders.prm, cSTORAGE_DIR_WAVE_PRM, folderOf(number)); }

// The parameter file of wave `number` as found on the card (any case).
std::string prmPath(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.kvb", number % 100);
    return fileIn(prmFolderPath(number), name, &gFolders.prmListing(folderOf(number)));
}

// The audio file's path as stored; audioDefinitelyAbsent finds its spelling on disk.
std::string audioPath(int folder, const char *sjisName) {
    return dataFolderPath(folder) + strSjisToUtf8(std::string(sjisName, strnlen(sjisName, kWaveFileNameLen)));
}

// Copies what fits; false when `src` had to be cut.
bool copyText(char *dst, size_t cap, const std::string &src) {
    size_t n = std::min(src.size(), cap - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return n == src.size();
}

int waveFolder(const sWave *w) {
    return (w->dataFolder[0] - '0') * 10 + (w->dataFolder[1] - '0');
}

// Whether the audio file at `*path` is definitely gone: the lookup says "no
// such file" and its data folder, listed whole, holds no entry of that name in
// any case. Anything less certain keeps the wave, as the scan does. A file in
// another case is taken: `*path` then names it.
bool audioDefinitelyAbsent(std::string *path) {
    struct stat st;
    if (path->empty()) return false;
    if (!faulted() && stat(path->c_str(), &st) == 0) return false;
    if (errno != ENOENT) return false;
    size_t slash = path->rfind('/') + 1;
    std::string folder = path->substr(0, slash), name = path->substr(slash);
    DIR *d = opendir(folder.c_str());
    if (!d) return false;
    bool seen = false;
    while (dirent *e = readdir(d))
        if (!seen && rliStrCaseCmp(e->d_name, name.c_str()) == 0) {
            seen = true;
            *path = folder + e->d_name;
        }
    closedir(d);
    return !seen;
}

// The plan's own copy of the data-folder names, so planning changes nothing
// that the real run or the import would see.
struct FolderNames {
    const sCard *card;  // the card whose data folders are read
    sListBase lists[kStorageFolderCount] = {};
    bool loaded[kStorageFolderCount] = {};

    explicit FolderNames(const sCard *of) : card(of) {}

    ~FolderNames() {
        for (auto &l : lists) rliListFreeList(&l);
    }

    sListBase *get(int folder) {
        if (!loaded[folder]) {
            loaded[folder] = true;
            sWave probe = {};
            probe.waveNumber = folder * 100;
            probe.dataFolder[0] = static_cast<char>('0' + folder / 10);
            probe.dataFolder[1] = static_cast<char>('0' + folder % 10);
            waveStorageWaveFile(card, &probe);
            for (auto *e = static_cast<const sStorageWaveName *>(gStorageWave[folder].first); e; e = e->next)
                if (!add(folder, e->baseName, e->ext, e->placed)) break;
        }
        return &lists[folder];
    }

    bool add(int folder, const char *base, const char *ext, int placed) {
        auto *e = static_cast<sStorageWaveName *>(memCalloc(sizeof(sStorageWaveName), "wname"));
        if (!e) return false;
        copyText(e->baseName, sizeof e->baseName, base);
        copyText(e->ext, sizeof e->ext, ext);
        e->placed = placed;
        rliListAddTail(&lists[folder], e);
        return true;
    }

    bool addName(int folder, const char *sjisName, int placed) {
        NameParts p = nameParts(sjisName);
        std::string whole = strSjisToUtf8(std::string(sjisName, strnlen(sjisName, kWaveFileNameLen)));
        size_t dot = whole.size() - p.extDisk.size();
        return add(folder, whole.substr(0, dot).c_str(), p.extDisk.c_str(), placed);
    }

    // A file that left its folder no longer takes a name there.
    void remove(int folder, const char *sjisName) {
        std::string whole = strSjisToUtf8(std::string(sjisName, strnlen(sjisName, kWaveFileNameLen)));
        for (auto *e = static_cast<sStorageWaveName *>(get(folder)->first); e; e = e->next)
            if (std::string(e->baseName) + e->ext == whole) {
                rliListFreeLink(&lists[folder], e);
                return;
            }
    }
};

sRenumberStep *newStep(sListBase *steps, int32_t kind) {
    auto *s = static_cast<sRenumberStep *>(memCalloc(sizeof(sRenumberStep), "RnStep"));
    if (!s) return nullptr;
    s->kind = kind;
    s->newNumber = s->kit = s->pad = -1;
    rliListAddTail(steps, s);
    return s;
}

// The waves in number order (the views may be stale while requests are pending).
std::vector<sWave *> wavesByNumber(sWaveList *list) {
    std::vector<sWave *> out;
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) out.push_back(w);
    std::stable_sort(out.begin(), out.end(), [](const sWave *a, const sWave *b) { return a->waveNumber < b->waveNumber; });
    return out;
}

// The one planning routine behind the dry run and the real run. `names` is
// left as the moves planned would leave the data folders.
int plan(sWaveList *list, sListBase *steps, FolderNames &names) {
    if (waveVolumeCheckCard(list->card) != 0) return RENUMBER_FAIL_VOLUME;
    gFolders.reset(list->card);
    // A path cut to fit a step would name another file: no plan then.
    bool fits = true;
    std::vector<sWave *> waves = wavesByNumber(list);
    std::vector<sWave *> kept;
    std::vector<std::string> keptAudio;
    for (sWave *w : waves) {
        std::string audio = audioPath(waveFolder(w), w->fileName);
        if (!audioDefinitelyAbsent(&audio)) {
            kept.push_back(w);
            keptAudio.push_back(audio);
            continue;
        }
        sRenumberStep *s = newStep(steps, RENUMBER_STEP_ORPHAN);
        if (!s) return RENUMBER_FAIL_MEMORY;
        s->oldNumber = w->waveNumber;
        copyText(s->name, sizeof s->name, std::string(w->name, strnlen(w->name, kWaveNameLen)));
        fits &= copyText(s->oldAudioPath, sizeof s->oldAudioPath, audio);
        fits &= copyText(s->oldPrmPath, sizeof s->oldPrmPath, prmPath(w->waveNumber));
    }
    auto alive = [&](int number) {
        return std::any_of(kept.begin(), kept.end(), [&](const sWave *w) { return w->waveNumber == number; });
    };
    for (auto *k = static_cast<sKit *>(list->kits.first); k; k = k->next) {
        int index = 0;
        for (auto *n = static_cast<sListItem *>(k->pads.first); n; n = n->next, ++index) {
            auto *pad = static_cast<sPad *>(n->item);
            for (int sub = 0; sub < 2; ++sub) {
                int number = sub ? pad->subWaveNumber : pad->waveNumber;
                if (number < 0 || alive(number)) continue;
                sRenumberStep *s = newStep(steps, RENUMBER_STEP_PAD_CLEAR);
                if (!s) return RENUMBER_FAIL_MEMORY;
                s->oldNumber = number;
                s->kit = k->kitNumber;
                s->pad = index;
                s->sub = sub;
            }
        }
    }
    int n = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        sWave *w = kept[i];
        int oldFolder = waveFolder(w), newFolder = folderOf(n);
        if (w->waveNumber == n) {
            names.get(newFolder);
            names.addName(newFolder, w->fileName, 1);
            ++n;
            continue;
        }
        sRenumberStep *s = newStep(steps, RENUMBER_STEP_MOVE);
        if (!s) return RENUMBER_FAIL_MEMORY;
        s->oldNumber = w->waveNumber;
        s->newNumber = n;
        copyText(s->name, sizeof s->name, std::string(w->name, strnlen(w->name, kWaveNameLen)));
        copyText(s->oldFileName, sizeof s->oldFileName, std::string(w->fileName, strnlen(w->fileName, kWaveFileNameLen)));
        NameParts parts = nameParts(w->fileName);
        sListBase *target = names.get(newFolder);
        std::string chosen;
        std::string own = strSjisToUtf8(s->oldFileName);
        if (countSameName(target, parts) < 1) chosen = clashFreeName(target, parts);
        else if (oldFolder == newFolder && holdsName(names.get(oldFolder), own)) chosen = s->oldFileName;
        else chosen = clashFreeName(target, parts);
        copyText(s->newFileName, sizeof s->newFileName, chosen);
        fits &= copyText(s->oldAudioPath, sizeof s->oldAudioPath, keptAudio[i]);
        std::string folder = dataFolderPath(newFolder);
        bool sameFile = oldFolder == newFolder && chosen == s->oldFileName;
        fits &= copyText(s->newAudioPath, sizeof s->newAudioPath,
                 sameFile ? std::string(s->oldAudioPath) : folder + strSjisToUtf8(chosen));
        fits &= copyText(s->oldPrmPath, sizeof s->oldPrmPath, prmPath(w->waveNumber));
        fits &= copyText(s->newPrmPath, sizeof s->newPrmPath, prmPath(n));
        if (oldFolder != newFolder) names.remove(oldFolder, s->oldFileName);
        names.addName(newFolder, s->newFileName, 1);
        ++n;
    }
    return fits ? 0 : RENUMBER_FAIL_MEMORY;
}

void fail(const sWave *w, const std::string &path, int err) {
    gResult.status = RENUMBER_FAIL_STEP;
    gResult.failedNumber = w ? w->waveNumber : -1;
    if (w) copyText(gResult.failedName, sizeof gResult.failedName, std::string(w->name, strnlen(w->name, kWaveNameLen)));
    copyText(gResult.failedPath, sizeof gResult.failedPath, path);
    gResult.err = err ? err : EIO;
}

// Reads the parameter file at `path` whole. False when it cannot be read.
bool readWhole(const std::string &path, std::string *out) {
    _sRliFile *f = rliFileOpenA(path.c_str(), cRLIFILE_MODE_READ_BINARY, 1 << 20);
    if (!f) return false;
    bool whole = rliFileGetDataSize(f) <= (1u << 20);
    out->assign(reinterpret_cast<const char *>(rliFileGetDataAddr(f)), whole ? rliFileGetDataSize(f) : 0);
    rliFileClose(f);
    return whole;
}

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Moves one wave as `s` plans: the new parameter file first (an update of the
// old one), then the audio file (never over another file), then the old
// parameter file goes. On any failure what was done for this wave is undone,
// so it keeps its number and files, and false is returned.
bool moveWave(sWaveList *list, sWave *w, sRenumberStep *s, FolderNames &names) {
    std::string dataDir = dataFolderPath(folderOf(s->newNumber)), prmDir = prmFolderPath(s->newNumber);
    if (!gFolders.made(gFolders.dataMade, cSTORAGE_DIR_WAVE_DATA, folderOf(s->newNumber)))
        return fail(w, dataDir, errno), false;
    if (!gFolders.made(gFolders.prmMade, cSTORAGE_DIR_WAVE_PRM, folderOf(s->newNumber)))
        return fail(w, prmDir, errno), false;
    std::string newPrm = s->newPrmPath;
    if (exists(newPrm)) return fail(w, newPrm, EEXIST), false;
    // Only a plain file moves: a file staying where it is must really be there,
    // or the new parameter file would name nothing.
    struct stat st;
    if (lstat(s->oldAudioPath, &st) != 0) return fail(w, s->oldAudioPath, errno), false;
    if (!S_ISREG(st.st_mode)) return fail(w, s->oldAudioPath, EISDIR), false;
    std::string old;
    if (!readWhole(s->oldPrmPath, &old)) return fail(w, s->oldPrmPath, errno), false;

    sWave moved = *w;
    moved.waveNumber = s->newNumber;
    moved.dataFolder[0] = static_cast<char>('0' + folderOf(s->newNumber) / 10);
    moved.dataFolder[1] = static_cast<char>('0' + folderOf(s->newNumber) % 10);
    std::string newAudio = s->newAudioPath;
    bool sameFile = newAudio == s->oldAudioPath;
    NameParts parts = nameParts(s->newFileName[0] ? s->newFileName : w->fileName);
    for (int tries = 0;; ++tries) {
        std::memset(moved.fileName, 0, sizeof moved.fileName);
        std::memcpy(moved.fileName, s->newFileName, strnlen(s->newFileName, kWaveFileNameLen));
        std::string text;
        if (waveFileWavePrmUpdateText(&moved, &list->tags, reinterpret_cast<const uint8_t *>(old.data()), old.size(),
                                      &text) != 0)
            return fail(w, newPrm, ENOMEM), false;
        if (rliFileWriteAll(newPrm.c_str(), text.data(), text.size()) != 0) return fail(w, newPrm, errno), false;
        int r = sameFile ? 0 : rliFileMoveEx(s->oldAudioPath, newAudio.c_str(), RLI_MOVE_NOREPLACE);
        if (r == 0) break;
        int err = r == -3 ? EEXIST : errno;
        rliFileDelete(newPrm.c_str());
        if (r != -3 || tries >= 100) return fail(w, r == -3 ? newAudio : std::string(s->oldAudioPath), err), false;
        // A file the plan did not know of holds that name: take the next suffix.
        names.addName(folderOf(s->newNumber), s->newFileName, 0);
        copyText(s->newFileName, sizeof s->newFileName, clashFreeName(names.get(folderOf(s->newNumber)), parts));
        newAudio = dataDir + strSjisToUtf8(s->newFileName);
        copyText(s->newAudioPath, sizeof s->newAudioPath, newAudio);
    }
    if (rliFileDelete(s->oldPrmPath) != 0) {
        int err = errno;
        // Undo, so the card holds one parameter file for this wave.
        bool undone = sameFile || rliFileMoveEx(newAudio.c_str(), s->oldAudioPath, RLI_MOVE_NOREPLACE) == 0;
        if (undone) undone = rliFileDelete(newPrm.c_str()) == 0;
        fail(w, s->oldPrmPath, err);
        if (undone) return false;
        // The new files stand; the old parameter file names an audio file that
        // is gone and the next scan removes it. The wave has its new number.
    }
    waveWaveWaveNumber(list, w, s->newNumber, 0);
    std::memcpy(w->fileName, moved.fileName, sizeof w->fileName);
    ++gResult.renumbered;
    return gResult.status == 0;
}

int runSteps(sWaveList *list, sListBase *steps, FolderNames &names) {
    int total = rliListCount(steps), done = 0;
    bool padsChanged = false, kitsWritten = false;
    for (auto *s = static_cast<sRenumberStep *>(steps->first); s; s = s->next, ++done) {
        if (s->kind == RENUMBER_STEP_MOVE && padsChanged && !kitsWritten) {
            // Cleared pads reach the card before anything moves.
            kitsWritten = true;
            waveKitSave(list, 0);
        }
        if (s->kind == RENUMBER_STEP_ORPHAN) {
            sWave *w = waveListFindWaveNumber(list, s->oldNumber);
            if (!w) continue;
            if (s->oldPrmPath[0] && rliFileDelete(s->oldPrmPath) != 0 && errno != ENOENT) {
                fail(w, s->oldPrmPath, errno);
                return gResult.status;
            }
            waveWaveDispose(list, w);
            ++gResult.removed;
        } else if (s->kind == RENUMBER_STEP_PAD_CLEAR) {
            sKit *kit = waveListKitPtr(list, s->kit);
            sPad *pad = waveKitPadPtr(kit, s->pad);
            if (!pad) continue;
            int32_t &slot = s->sub ? pad->subWaveNumber : pad->waveNumber;
            if (slot == s->oldNumber) {
                slot = -1;
                kit->edited = 1;
            }
            // Also counted when removing its wave already cleared the slot.
            ++gResult.padsCleared;
            padsChanged = true;
        } else if (s->kind == RENUMBER_STEP_MOVE) {
            sWave *w = waveListFindWaveNumber(list, s->oldNumber);
            if (!w) continue;
            if (!moveWave(list, w, s, names)) return gResult.status;
        }
        if (total > 0) edtiProgressBarSetRatio(static_cast<float>(done + 1) / static_cast<float>(total));
    }
    return 0;
}

// The pads of every kit file the plan changes, as they must end: a run cut
// off after its moves still has its kits naming the old numbers, which by then
// belong to other waves.
std::string journalText(sWaveList *list, const sListBase *steps) {
    std::string text = "kvbrt renumber 1\n";
    std::vector<std::pair<int, int>> moves;
    for (auto *s = static_cast<const sRenumberStep *>(steps->first); s; s = s->next)
        if (s->kind == RENUMBER_STEP_MOVE) {
            moves.push_back({s->oldNumber, s->newNumber});
            text += "move " + std::to_string(s->oldNumber) + " " + std::to_string(s->newNumber) + "\n";
        }
    auto target = [&](const sKit *k, int index, int sub, int number) {
        if (number < 0) return -1;
        for (auto *s = static_cast<const sRenumberStep *>(steps->first); s; s = s->next)
            if ((s->kind == RENUMBER_STEP_PAD_CLEAR && s->kit == k->kitNumber && s->pad == index && s->sub == sub) ||
                (s->kind == RENUMBER_STEP_ORPHAN && s->oldNumber == number))
                return -1;
        for (const auto &[from, to] : moves)
            if (from == number) return to;
        return number;
    };
    for (auto *k = static_cast<const sKit *>(list->kits.first); k; k = k->next) {
        if (!k->isFile) continue;
        std::string line = "kit " + std::to_string(k->kitNumber);
        bool changed = false;
        int index = 0;
        for (auto *n = static_cast<const sListItem *>(k->pads.first); n; n = n->next, ++index) {
            auto *pad = static_cast<const sPad *>(n->item);
            int main = target(k, index, 0, pad->waveNumber), sub = target(k, index, 1, pad->subWaveNumber);
            changed |= main != pad->waveNumber || sub != pad->subWaveNumber;
            line += " " + std::to_string(main) + " " + std::to_string(sub);
        }
        if (changed) text += line + "\n";
    }
    return text;
}

// Sets the pads of the kits the journal names to what it says, for the kit save.
void applyKitTargets(sWaveList *list, const std::string &journal) {
    size_t at = 0;
    while (at < journal.size()) {
        size_t end = journal.find('\n', at);
        std::string line = journal.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? journal.size() : end + 1;
        int kitNumber = -1, used = 0;
        if (std::sscanf(line.c_str(), "kit %d%n", &kitNumber, &used) != 1) continue;
        sKit *kit = waveListKitPtr(list, kitNumber);
        if (!kit) continue;
        const char *p = line.c_str() + used;
        for (auto *n = static_cast<sListItem *>(kit->pads.first); n; n = n->next) {
            auto *pad = static_cast<sPad *>(n->item);
            int main = 0, sub = 0, more = 0;
            if (std::sscanf(p, " %d %d%n", &main, &sub, &more) != 2) break;
            p += more;
            pad->waveNumber = main;
            pad->subWaveNumber = sub;
        }
        waveKitIsFile(kit, 1);
        waveKitEdit(kit);
    }
}

// The real run. `journal` is the journal to finish (null: a run of its own,
// which writes one first).
int renumberRun(sWaveList *list, const std::string *journal) {
    std::memset(&gResult, 0, sizeof gResult);
    gResult.failedNumber = -1;
    if (!list) return gResult.status = RENUMBER_FAIL_MEMORY;
    sListBase steps = {};
    FolderNames names(list->card);
    int r = plan(list, &steps, names);
    if (r != 0) {
        rliListFreeList(&steps);
        return gResult.status = r;
    }
    // Nothing is changed before the journal is on the card.
    if (!journal && steps.first && journalWrite(list->card, cJOURNAL_RENUMBER, journalText(list, &steps)) != 0) {
        char path[kStoragePathMax];
        journalPath(cardRoot(list->card), cJOURNAL_RENUMBER, path, sizeof path);
        fail(nullptr, path, errno);
        rliListFreeList(&steps);
        return gResult.status;
    }
    // The plan's names again from the card, for the run to keep up to date.
    FolderNames running(list->card);
    for (int f = 0; f < kStorageFolderCount; ++f)
        if (names.loaded[f]) running.get(f);
    gbRenumberingCalc = true;
    rliFileSyncBegin();
    runSteps(list, &steps, running);
    waveListSortItAll(list);
    list->lastWaveNumber = -1;
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
        list->lastWaveNumber = std::max(list->lastWaveNumber, w->waveNumber);
    // A finished journal's kits end as it says (its moves are done by now).
    if (journal && gResult.status == 0) applyKitTargets(list, *journal);
    gResult.kitStatus = waveKitSave(list, 0);
    gbRenumberingCalc = false;
    const char *root = cardRoot(list->card);
    bool synced = rliFileSyncEnd(root) == 0;
    if (!synced && gResult.status == 0) fail(nullptr, root, errno);
    if (gResult.status == 0 && gResult.kitStatus != 0) gResult.status = RENUMBER_FAIL_KITS;
    // Once the kits match what was moved, the card is whole again (a run that
    // stopped at a failed move included); otherwise the journal finishes it.
    bool stoppedWhole = gResult.status == 0 || (gResult.status == RENUMBER_FAIL_STEP && gResult.kitStatus == 0 && synced);
    if (stoppedWhole && (steps.first || journal)) journalRemove(list->card, cJOURNAL_RENUMBER);
    rliListFreeList(&steps);
    // The names of the data folders changed under the cache.
    waveStorageWaveFileClear();
    return gResult.status;
}

void reportFailure() {
    if (gResult.status != RENUMBER_FAIL_STEP || gResult.failedNumber < 0) return;
    std::wstring text = dnaStrGetPtr(DNASTR_ERR_RENUMBER);
    wchar_t name[kWaveNameLen + 1] = {};
    rliStringSjisToUtf16beN(name, kWaveNameLen + 1, gResult.failedName, kWaveNameLen);
    text += L"\n\n";
    text += name;
    editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, text.c_str(), 0);
}

}  // namespace

int listRenumberingPlan(sWaveList *list, sListBase *steps) {
    if (!list || !steps) return RENUMBER_FAIL_MEMORY;
    FolderNames names(list->card);
    int r = plan(list, steps, names);
    if (r != 0) rliListFreeList(steps);
    return r;
}

int listRenumbering(sWaveList *list) { return renumberRun(list, nullptr); }

int listRenumberingFinish(sWaveList *list, const std::string &journal) { return renumberRun(list, &journal); }

int listRenumberingFunc(void *arg) {
    listRenumbering(static_cast<sWaveList *>(arg));
    reportFailure();
    return 1;
}

const sRenumberResult *listRenumberingResult(void) { return &gResult; }
