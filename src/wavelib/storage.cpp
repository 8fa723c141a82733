// The device folder, the scan and the folder utilities. See storage.h.
#include "wavelib/storage.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/fault.h"
#include "foundation/file.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "wavelib/card.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

const char *const cSTORAGE_DIR_DEVICE = "Korvan/KVB-RT/";
const char *const cSTORAGE_DIR_KIT = "Korvan/KVB-RT/KIT/";
const char *const cSTORAGE_DIR_WAVE_DATA = "Korvan/KVB-RT/WAVE/DATA/";
const char *const cSTORAGE_DIR_WAVE_PRM = "Korvan/KVB-RT/WAVE/PRM/";
const char *const cSTORAGE_DIR_SYSTEM = "Korvan/KVB-RT/SYSTEM/";
const char *const cSTORAGE_FILE_TAG_LIST = "tag_list.kvb";
const char *const cSTORAGE_FILE_WAVE_LISTS[kStorageWaveListFiles] = {"wavelist_name.kvb", "wavelist_tagname.kvb",
                                                                     "wavelist_tagnum.kvb"};

sListBase gStorageWave[kStorageFolderCount];
bool gbStorageWaveInit[kStorageFolderCount];

namespace {

bool faulted() { return rliFaultFileHit() != 0; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Copies at most cap - 1 bytes and terminates.
void copyField(char *dst, size_t cap, const char *src) {
    size_t n = strnlen(src, cap - 1);
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

std::string withSlash(const char *path) {
    std::string p = path ? path : "";
    if (p.empty() || (p.back() != '/' && p.back() != '\\')) p += '/';
    return p;
}

// --- Listing -----------------------------------------------------------------------

int typeRank(mode_t type) {
    if (type == S_IFDIR) return 0;
    if (type == S_IFREG) return 1;
    return 2 + static_cast<int>(type >> 12);
}

int dotRank(const char *name) {
    if (std::strcmp(name, ".") == 0) return 0;
    if (std::strcmp(name, "..") == 0) return 1;
    return 2;
}

bool entryBefore(const sRliDirEntry &a, const sRliDirEntry &b) {
    int ta = typeRank(a.type), tb = typeRank(b.type);
    if (ta != tb) return ta < tb;
    int da = dotRank(a.name), db = dotRank(b.name);
    if (da != db) return da < db;
    int c = rliStrCaseCmp(a.name, b.name);
    if (c != 0) return c < 0;
    return std::strcmp(a.name, b.name) < 0;
}

// A growing array of entries; releases what it holds unless taken.
struct EntryArray {
    sRliDirEntry *items = nullptr;
    int count = 0;
    int capacity = 0;

    ~EntryArray() { rliStorageFreeDir(items, count); }

    bool add(int dirFd, const char *name) {
        if (count == capacity) {
            int grown = capacity ? capacity * 2 : 64;
            void *bigger = items ? memRealloc(items, sizeof(sRliDirEntry) * static_cast<size_t>(grown))
                                 : memMalloc(sizeof(sRliDirEntry) * static_cast<size_t>(grown), "Dir");
            if (!bigger) return false;
            items = static_cast<sRliDirEntry *>(bigger);
            capacity = grown;
        }
        sRliDirEntry &e = items[count];
        std::memset(&e, 0, sizeof e);
        e.name = rliStrDup(name);
        if (!e.name) return false;
        ++count;
        if (fstatat(dirFd, name, &e.st, AT_SYMLINK_NOFOLLOW) == 0) e.type = e.st.st_mode & S_IFMT;
        return true;
    }
};

bool splitName(const char *name, char *base, char *ext) {
    char dir[kRliPathMax], fullBase[kRliPathMax], fullExt[kRliPathMax];
    if (rliStringSplitpathA(nullptr, dir, fullBase, fullExt, name) != 0) return false;
    copyField(base, kStorageNameMax, fullBase);
    if (ext) copyField(ext, kStorageExtMax, fullExt);
    return true;
}

// Returns whether the file's whole name is `base` + `ext`, both without regard
// to case; `exact` tells whether the spelling matches too.
bool nameIs(const sStorageFileItem *f, const char *base, const char *ext, bool *exact) {
    if (rliStrCaseCmp(f->baseName, base) != 0 || rliStrCaseCmp(f->ext, ext) != 0) return false;
    *exact = std::strcmp(f->baseName, base) == 0 && std::strcmp(f->ext, ext) == 0;
    return true;
}

bool extIsKvb(const sStorageFileItem *f, bool *exact) {
    if (rliStrCaseCmp(f->ext, ".kvb") != 0) return false;
    *exact = std::strcmp(f->ext, ".kvb") == 0;
    return true;
}

// Returns the value of a base name of exactly `digits` decimal digits after
// `prefix` (compared exactly), or -1.
int numberedName(const char *base, const char *prefix, size_t digits) {
    size_t plen = std::strlen(prefix);
    if (std::strncmp(base, prefix, plen) != 0 || std::strlen(base) != plen + digits) return -1;
    int value = 0;
    for (size_t i = plen; i < plen + digits; ++i) {
        if (!isDigit(base[i])) return -1;
        value = value * 10 + (base[i] - '0');
    }
    return value;
}

// Counts the regular files of a folder without taking more status than needed.
int countRegularFiles(const std::string &path) {
    DIR *d = opendir(path.c_str());
    if (!d) return 0;
    int n = 0;
    while (dirent *e = readdir(d)) {
        if (e->d_type == DT_REG) {
            ++n;
        } else if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) ++n;
        }
    }
    closedir(d);
    return n;
}

// --- The scan ------------------------------------------------------------------------

// What the scan job works on and hands back (made by wstorageCreateProgress).
struct sScanJob {
    std::string root;       // the volume root, ending in "/"
    uint32_t mode;          // WSTORAGE_SCAN_*
    sWaveList *list;        // the library to build; null once it owns the record or was disposed of
    _sWaveStorage *result;  // the record the library was built from, or null
};
// The flags of the last scan, for a caller whose library could not be built.
uint32_t gLastFlags = 0;

void addNote(_sWaveStorage *s, int32_t kind, int err, const std::string &path, const std::string &detail = "") {
    auto *n = static_cast<sStorageNote *>(memCalloc(sizeof(sStorageNote), "WSNote"));
    if (!n) return;
    n->kind = kind;
    n->err = err;
    copyField(n->path, sizeof n->path, path.c_str());
    copyField(n->detail, sizeof n->detail, detail.c_str());
    rliListAddTail(&s->notes, n);
}

// Lists `path` into the record; notes a folder that exists but cannot be listed.
sStorageListing *listInto(_sWaveStorage *s, const std::string &path) {
    sStorageListing *l = storageDevelopment(path.c_str());
    if (!l) {
        addNote(s, WSTORAGE_NOTE_FOLDER_UNREADABLE, errno, path);
        return nullptr;
    }
    rliListAddTail(&s->listings, l);
    return l;
}

// Lists the subfolder `name` of `parent` when it is there.
sStorageListing *listChild(_sWaveStorage *s, const sStorageListing *parent, const char *name) {
    const sStorageDirItem *d = parent ? storageFindFolder(parent, name) : nullptr;
    return d ? listInto(s, std::string(parent->path) + d->name + "/") : nullptr;
}

// Reads one parameter file; a file that cannot be read or has no root element
// is noted and gives null.
template <typename T, typename Parse>
T *readParamFile(_sWaveStorage *s, const std::string &path, Parse parse) {
    // Parameter files are a few hundred bytes; a damaged card must not make
    // the scan load a huge file that merely carries a parameter file's name.
    constexpr uint32_t kParamFileMax = 1u << 20;
    _sRliFile *f = rliFileOpenA(path.c_str(), cRLIFILE_MODE_READ_BINARY, kParamFileMax);
    if (!f) {
        addNote(s, WSTORAGE_NOTE_UNREADABLE, errno ? errno : EIO, path);
        return nullptr;
    }
    uint32_t size = rliFileGetDataSize(f);
    T *record = size > kParamFileMax ? nullptr : parse(rliFileGetDataAddr(f), size);
    rliFileClose(f);
    if (!record) addNote(s, WSTORAGE_NOTE_MALFORMED, 0, path);
    return record;
}

// Picks one file per number among the files a name rule accepts: the first
// exactly spelled one, else the first; the rest are noted as duplicates.
template <size_t N, typename Rule>
void pickNumbered(_sWaveStorage *s, const sStorageListing *l, const sStorageFileItem *(&chosen)[N], Rule rule) {
    bool chosenExact[N] = {};
    for (auto *f = static_cast<const sStorageFileItem *>(l->files.first); f; f = f->next) {
        bool exact = false;
        int n = rule(f, &exact);
        if (n < 0 || n >= static_cast<int>(N)) continue;
        const sStorageFileItem *loser = f;
        if (!chosen[n] || (exact && !chosenExact[n])) {
            loser = chosen[n];
            chosen[n] = f;
            chosenExact[n] = exact;
        }
        if (loser) addNote(s, WSTORAGE_NOTE_DUPLICATE, 0, std::string(l->path) + loser->name);
    }
}

void readCategoryList(_sWaveStorage *s) {
    const sStorageFileItem *chosen[1] = {};
    pickNumbered(s, s->system, chosen, [](const sStorageFileItem *f, bool *exact) {
        return nameIs(f, "tag_list", ".kvb", exact) ? 0 : -1;
    });
    if (!chosen[0]) return;
    s->tagList = readParamFile<_sWaveFileTagList>(s, std::string(s->system->path) + chosen[0]->name,
                                                   waveFileTagListCreateFromMemory);
    if (!s->tagList) {
        s->flags |= WSTORAGE_TAG_LIST_BAD;
        return;
    }
    s->flags |= WSTORAGE_TAG_LIST;
    wstorageProgressStep();
}

void readKits(_sWaveStorage *s) {
    const sStorageFileItem *chosen[100] = {};
    pickNumbered(s, s->kit, chosen, [](const sStorageFileItem *f, bool *exact) {
        return extIsKvb(f, exact) ? numberedName(f->baseName, "kit", 3) : -1;
    });
    for (int n = 0; n < 100; ++n) {
        if (!chosen[n]) continue;
        sKit *kit = readParamFile<sKit>(s, std::string(s->kit->path) + chosen[n]->name,
                                        waveFileKitPrmCreateFromMemory);
        if (kit) {
            kit->kitNumber = n;
            rliListAddTail(&s->kits, kit);
        }
        wstorageProgressStep();
    }
}

// The data folders listed to tell an absent audio file from one that cannot be
// examined; made only when a lookup says "no such file".
struct DataFolders {
    sStorageListing *listing[kStorageFolderCount] = {};
    int err[kStorageFolderCount] = {};

    ~DataFolders() {
        for (auto *l : listing) storageListingDispose(l);
    }

    const sStorageListing *get(const std::string &dataPath, int folder) {
        if (!listing[folder] && !err[folder]) {
            char name[8];
            std::snprintf(name, sizeof name, "%02d/", folder);
            listing[folder] = storageDevelopment((dataPath + name).c_str());
            if (!listing[folder]) err[folder] = errno ? errno : EIO;
        }
        return listing[folder];
    }
};

enum class Audio { Present, Absent, Unknown };

// Finds the audio file `path` names in data folder `folder`. Present: `found`
// and `size` set. Absent: the lookup said no such file and the folder, listed
// whole, holds no name equal to it in any case. Unknown: anything else, with
// `err` set (0 for a name that is there but no regular file).
Audio findAudio(const std::string &dataPath, DataFolders &folders, int folder, const std::string &path,
                std::string *found, uint64_t *size, int *err) {
    struct stat st;
    *err = 0;
    if (!faulted() && stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return Audio::Unknown;
        *found = path;
        *size = static_cast<uint64_t>(st.st_size);
        return Audio::Present;
    }
    if (errno != ENOENT || dataPath.empty()) {
        *err = errno ? errno : EIO;
        return Audio::Unknown;
    }
    const sStorageListing *l = folders.get(dataPath, folder);
    if (!l) {
        *err = folders.err[folder];
        return Audio::Unknown;
    }
    const char *name = path.c_str() + path.size();
    while (name > path.c_str() && name[-1] != '/') --name;
    for (auto *f = static_cast<const sStorageFileItem *>(l->files.first); f; f = f->next) {
        if (rliStrCaseCmp(f->name, name) != 0) continue;
        std::string other = std::string(l->path) + f->name;
        if (faulted() || stat(other.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            *err = errno;
            return Audio::Unknown;
        }
        *found = other;
        *size = static_cast<uint64_t>(st.st_size);
        return Audio::Present;
    }
    for (auto *d = static_cast<const sStorageDirItem *>(l->folders.first); d; d = d->next)
        if (rliStrCaseCmp(d->name, name) == 0) return Audio::Unknown;
    return Audio::Absent;
}

void takeWave(_sWaveStorage *s, DataFolders &folders, _sWaveFileWavePrm *prm, const std::string &prmPath) {
    char audio[kRliPathMax];
    if (prm->pathDamaged || waveFileWavePrmGetDataPath(prm, s->dataPath[0] ? s->dataPath : "", audio, sizeof audio) != 0) {
        addNote(s, WSTORAGE_NOTE_PATH_DAMAGED, 0, prmPath, prm->path);
        waveFileWavePrmDispose(prm);
        return;
    }
    std::string found;
    uint64_t size = 0;
    int err = 0;
    int folder = waveFileWavePrmGetFilenameDirNo(prm);
    Audio a = s->dataPath[0] ? findAudio(s->dataPath, folders, folder, audio, &found, &size, &err) : Audio::Unknown;
    if (!s->dataPath[0]) err = ENOENT;
    if (a == Audio::Present) {
        auto *node = static_cast<sStorageWavePrm *>(memCalloc(sizeof(sStorageWavePrm), "WP"));
        char *copy = node ? rliStrDup(found.c_str()) : nullptr;
        if (copy) {
            node->prm = prm;
            node->audioPath = copy;
            node->audioSize = size;
            rliListAddTail(&s->wavePrms, node);
            return;
        }
        if (node) memFree(node);
        addNote(s, WSTORAGE_NOTE_AUDIO_UNKNOWN, ENOMEM, prmPath, audio);
    } else if (a == Audio::Unknown) {
        addNote(s, WSTORAGE_NOTE_AUDIO_UNKNOWN, err, prmPath, audio);
    } else if (s->mode == WSTORAGE_SCAN_READ_ONLY) {
        addNote(s, WSTORAGE_NOTE_ORPHAN, 0, prmPath, audio);
    } else if (rliFileDelete(prmPath.c_str()) == 0) {
        addNote(s, WSTORAGE_NOTE_ORPHAN_DELETED, 0, prmPath, audio);
    } else {
        addNote(s, WSTORAGE_NOTE_DELETE_FAILED, errno, prmPath, audio);
    }
    waveFileWavePrmDispose(prm);
}

void readWaves(_sWaveStorage *s) {
    DataFolders folders;
    for (auto *d = static_cast<const sStorageDirItem *>(s->wavePrm->folders.first); d; d = d->next) {
        int nn = numberedName(d->name, "", 2);
        if (nn < 0 || s->prmFolder[nn]) continue;
        sStorageListing *l = listInto(s, std::string(s->wavePrm->path) + d->name + "/");
        if (!l) continue;
        s->prmFolder[nn] = l;
        const sStorageFileItem *chosen[100] = {};
        pickNumbered(s, l, chosen, [](const sStorageFileItem *f, bool *exact) {
            return extIsKvb(f, exact) ? numberedName(f->baseName, "", 2) : -1;
        });
        for (int mm = 0; mm < 100; ++mm) {
            if (!chosen[mm]) continue;
            std::string path = std::string(l->path) + chosen[mm]->name;
            _sWaveFileWavePrm *prm = readParamFile<_sWaveFileWavePrm>(s, path, [&](const uint8_t *data, size_t size) {
                return waveFileWavePrmCreateFromMemory(data, size, nn, mm);
            });
            if (!prm) continue;
            wstorageProgressStep();
            takeWave(s, folders, prm, path);
        }
    }
}

void scan(_sWaveStorage *s, const std::string &root) {
    if (!(s->root = listInto(s, root))) return;
    s->flags |= WSTORAGE_ROOT;
    if (!(s->maker = listChild(s, s->root, "Korvan"))) return;
    s->flags |= WSTORAGE_KORVAN;
    if (!(s->device = listChild(s, s->maker, "KVB-RT"))) return;
    s->flags |= WSTORAGE_KVBRT;
    if ((s->system = listChild(s, s->device, "SYSTEM"))) {
        s->flags |= WSTORAGE_SYSTEM;
        readCategoryList(s);
    }
    if ((s->kit = listChild(s, s->device, "KIT"))) {
        s->flags |= WSTORAGE_KIT;
        readKits(s);
    }
    if (!(s->wave = listChild(s, s->device, "WAVE"))) return;
    s->flags |= WSTORAGE_WAVE;
    if (const sStorageDirItem *data = storageFindFolder(s->wave, "DATA")) {
        s->flags |= WSTORAGE_DATA;
        copyField(s->dataPath, sizeof s->dataPath, (std::string(s->wave->path) + data->name + "/").c_str());
    }
    if (!(s->wavePrm = listChild(s, s->wave, "PRM"))) return;
    s->flags |= WSTORAGE_PRM;
    readWaves(s);
}

int flag(const _sWaveStorage *s, uint32_t bit) { return s && (s->flags & bit) ? 1 : 0; }

}  // namespace

// --- Directory listing -----------------------------------------------------------

int rliStorageGetDir(sRliDirEntry **entries, const char *path) {
    if (!entries) return -1;
    *entries = nullptr;
    if (!path || faulted()) return -1;
    DIR *d = opendir(path);
    if (!d) return -1;
    EntryArray array;
    bool dot = false, dotdot = false, ok = true;
    errno = 0;
    while (dirent *e = readdir(d)) {
        dot = dot || std::strcmp(e->d_name, ".") == 0;
        dotdot = dotdot || std::strcmp(e->d_name, "..") == 0;
        if (!(ok = array.add(dirfd(d), e->d_name))) break;
        errno = 0;
    }
    // A read error part-way would make a folder look emptier than it is.
    int readErr = ok ? errno : ENOMEM;
    if (ok && !readErr && array.count > 0) {
        if (!dot) ok = array.add(dirfd(d), ".");
        if (ok && !dotdot) ok = array.add(dirfd(d), "..");
        if (!ok) readErr = ENOMEM;
    }
    closedir(d);
    if (readErr) {
        errno = readErr;
        return -1;
    }
    std::sort(array.items, array.items + array.count, entryBefore);
    *entries = array.items;
    int count = array.count;
    array.items = nullptr;
    array.count = 0;
    return count;
}

void rliStorageFreeDir(sRliDirEntry *entries, int count) {
    if (!entries) return;
    for (int i = 0; i < count; ++i) memFree(entries[i].name);
    memFree(entries);
}

sStorageListing *storageDevelopment(const char *path) {
    sRliDirEntry *entries = nullptr;
    std::string dir = withSlash(path);
    if (dir.size() >= kStoragePathMax) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    int count = rliStorageGetDir(&entries, dir.c_str());
    if (count <= 0) return nullptr;
    auto *l = static_cast<sStorageListing *>(memCalloc(sizeof(sStorageListing), "Strg"));
    bool ok = l != nullptr;
    if (ok) copyField(l->path, sizeof l->path, dir.c_str());
    for (int i = 0; ok && i < count; ++i) {
        const sRliDirEntry &e = entries[i];
        if (e.type == S_IFDIR) {
            if (dotRank(e.name) < 2) continue;
            auto *item = static_cast<sStorageDirItem *>(memCalloc(sizeof(sStorageDirItem), "sDir"));
            ok = item && splitName(e.name, item->baseName, nullptr);
            if (item) {
                copyField(item->name, sizeof item->name, e.name);
                rliListAddTail(&l->folders, item);
            }
        } else if (e.type == S_IFREG) {
            auto *item = static_cast<sStorageFileItem *>(memCalloc(sizeof(sStorageFileItem), "sFile"));
            ok = item && splitName(e.name, item->baseName, item->ext);
            if (item) {
                copyField(item->name, sizeof item->name, e.name);
                item->size = static_cast<uint32_t>(e.st.st_size);
                rliListAddTail(&l->files, item);
            }
        }
    }
    rliStorageFreeDir(entries, count);
    if (!ok) {
        // An incomplete listing could make a present file look absent.
        storageListingDispose(l);
        errno = ENOMEM;
        return nullptr;
    }
    return l;
}

void storageListingDispose(sStorageListing *listing) {
    if (!listing) return;
    rliListFreeList(&listing->folders);
    rliListFreeList(&listing->files);
    memFree(listing);
}

const sStorageDirItem *storageFindFolder(const sStorageListing *listing, const char *name) {
    if (!listing || !name) return nullptr;
    const sStorageDirItem *found = nullptr;
    for (auto *d = static_cast<const sStorageDirItem *>(listing->folders.first); d; d = d->next) {
        if (rliStrCaseCmp(d->name, name) != 0) continue;
        if (std::strcmp(d->name, name) == 0) return d;
        if (!found) found = d;
    }
    return found;
}

// --- The scan ------------------------------------------------------------------------

_sWaveStorage *wstorageCreateProgress(const char *root, int onScreen, sWaveList *list, uint32_t mode) {
    sScanJob job{withSlash(root), mode, list, nullptr};
    // The scan has no cancel function: a half-read library is of no use.
    if (editProgressBarRun(wstorageCreate, &job, nullptr, onScreen, dnaStrGetUtf8Ptr(39), nullptr) != 0) {
        // The worker could not start: the scan never ran, so nothing owns the list.
        waveListDispose(job.list);
        return nullptr;
    }
    if (!job.result) waveListDispose(job.list);
    return job.result;
}

int wstorageCreate(void *arg) {
    auto *job = static_cast<sScanJob *>(arg);
    wstorageProgressSetMax(wstorageReadCount(job->root.c_str()));
    auto *s = static_cast<_sWaveStorage *>(memCalloc(sizeof(_sWaveStorage), "WS"));
    if (!s) return 1;
    s->mode = job->mode;
    scan(s, job->root);
    gLastFlags = s->flags;
    sWaveList *list = job->list;
    // The library owns the record from here on, or has disposed of both.
    job->list = nullptr;
    job->result = waveListCreateFromStorage(s, list) ? s : nullptr;
    return 1;
}

uint32_t wstorageLastFlags(void) { return gLastFlags; }

int wstorageReadCount(const char *root) {
    sStorageListing *r = storageDevelopment(withSlash(root).c_str());
    const sStorageDirItem *k = storageFindFolder(r, "Korvan");
    sStorageListing *maker = k ? storageDevelopment((std::string(r->path) + k->name).c_str()) : nullptr;
    const sStorageDirItem *v = storageFindFolder(maker, "KVB-RT");
    sStorageListing *device = v ? storageDevelopment((std::string(maker->path) + v->name).c_str()) : nullptr;
    int count = 0;
    if (device) {
        if (const sStorageDirItem *d = storageFindFolder(device, "SYSTEM"))
            count += countRegularFiles(std::string(device->path) + d->name);
        if (const sStorageDirItem *d = storageFindFolder(device, "KIT"))
            count += countRegularFiles(std::string(device->path) + d->name);
        const sStorageDirItem *w = storageFindFolder(device, "WAVE");
        sStorageListing *wave = w ? storageDevelopment((std::string(device->path) + w->name).c_str()) : nullptr;
        const sStorageDirItem *p = storageFindFolder(wave, "PRM");
        sStorageListing *prm = p ? storageDevelopment((std::string(wave->path) + p->name).c_str()) : nullptr;
        for (auto *d = prm ? static_cast<const sStorageDirItem *>(prm->folders.first) : nullptr; d; d = d->next)
            if (numberedName(d->name, "", 2) >= 0) count += countRegularFiles(std::string(prm->path) + d->name);
        storageListingDispose(prm);
        storageListingDispose(wave);
    }
    storageListingDispose(device);
    storageListingDispose(maker);
    storageListingDispose(r);
    return count;
}

int wstorageCreateDir(const char *root) {
    const char *const folders[] = {cSTORAGE_DIR_KIT, cSTORAGE_DIR_WAVE_DATA, cSTORAGE_DIR_WAVE_PRM,
                                   cSTORAGE_DIR_SYSTEM};
    std::string base = withSlash(root);
    for (const char *folder : folders) {
        char path[kRliPathMax];
        if (wstorageDevicePath(path, sizeof path, root, folder) != 0 ||
            rliDirCreateChain(base.c_str(), path + base.size(), 0) != 0)
            return -1;
    }
    return 0;
}

void wstorageDispose(_sWaveStorage *storage) {
    if (!storage) return;
    waveFileTagListDispose(storage->tagList);
    while (auto *kit = static_cast<sKit *>(storage->kits.first)) {
        rliListRemLink(&storage->kits, kit);
        waveFileKitPrmDispose(kit);
    }
    for (auto *n = static_cast<sStorageWavePrm *>(storage->wavePrms.first); n; n = n->next) {
        waveFileWavePrmDispose(n->prm);
        if (n->audioPath) memFree(n->audioPath);
    }
    rliListFreeList(&storage->wavePrms);
    while (auto *l = static_cast<sStorageListing *>(storage->listings.first)) {
        rliListRemLink(&storage->listings, l);
        storageListingDispose(l);
    }
    rliListFreeList(&storage->notes);
    memFree(storage);
}

int wstorageRootDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_ROOT); }
int wstorageKorvanDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_KORVAN); }
int wstorageKVBRTDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_KVBRT); }
int wstorageSystemDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_SYSTEM); }
int wstorageKitDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_KIT); }
int wstorageWaveDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_WAVE); }
int wstorageWaveDataDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_DATA); }
int wstorageWavePrmDirExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_PRM); }
int wstorageTagListPrmExist(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_TAG_LIST); }
int wstorageTagListUnreadable(const _sWaveStorage *storage) { return flag(storage, WSTORAGE_TAG_LIST_BAD); }

_sWaveFileTagList *wstorageFileTagListPtr(_sWaveStorage *storage) { return storage ? storage->tagList : nullptr; }
sListBase *wstorageKitListPtr(_sWaveStorage *storage) { return storage ? &storage->kits : nullptr; }
sListBase *wstorageWavePrmListPtr(_sWaveStorage *storage) { return storage ? &storage->wavePrms : nullptr; }
_sWaveFileWavePrm *wstorageWavePrmPtr(const sStorageWavePrm *node) { return node ? node->prm : nullptr; }

const sStorageWavePrm *wstorageFindWavePrm(const _sWaveStorage *storage, int number) {
    if (!storage) return nullptr;
    for (auto *n = static_cast<const sStorageWavePrm *>(storage->wavePrms.first); n; n = n->next)
        if (n->prm && n->prm->waveNumber == number) return n;
    return nullptr;
}

// Placeholders until the job runner exists; the scan's counting is final.
void wstorageProgressSetMax(int max) {
    gnReadFile = 0;
    gReadFileMax = max;
}

void wstorageProgressStep(void) { pbarRatio(); }

// --- Paths and folders --------------------------------------------------------------

int wstorageDevicePath(char *out, size_t cap, const char *root, const char *relative) {
    if (!out || cap == 0) return -1;
    out[0] = '\0';
    std::string path = withSlash(root);
    std::string rest = relative ? relative : "";
    bool searching = true;
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('/', start);
        bool folder = end != std::string::npos;
        std::string part = rest.substr(start, folder ? end - start : std::string::npos);
        start = folder ? end + 1 : rest.size();
        if (part.empty()) continue;
        if (searching) {
            struct stat st;
            if (lstat((path + part).c_str(), &st) != 0) {
                searching = false;
                if (DIR *d = opendir(path.c_str())) {
                    while (dirent *e = readdir(d)) {
                        if (rliStrCaseCmp(e->d_name, part.c_str()) != 0) continue;
                        part = e->d_name;
                        searching = true;
                        break;
                    }
                    closedir(d);
                }
            }
        }
        path += part;
        if (folder) path += '/';
    }
    if (path.size() >= cap) return -1;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return 0;
}

int wstorageMakeDir(const char *root, const char *relative) {
    size_t prefix = std::strlen(cSTORAGE_DIR_DEVICE);
    if (!relative || std::strncmp(relative, cSTORAGE_DIR_DEVICE, prefix) != 0) {
        errno = EINVAL;
        return -1;
    }
    char device[kRliPathMax], path[kRliPathMax];
    if (wstorageDevicePath(device, sizeof device, root, cSTORAGE_DIR_DEVICE) != 0 ||
        wstorageDevicePath(path, sizeof path, root, relative) != 0) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // Both paths take the device folder's spelling on disk, so one begins with the other.
    return rliDirCreateChain(device, path + std::strlen(device), RLI_DIR_NO_LINKS);
}

int rliStorageExist(const char *path) {
    struct stat st;
    return path && stat(path, &st) == 0 ? 0 : -1;
}

namespace {

bool diskStat(const char *path, struct statvfs *s) {
    if (!path) return false;
    std::string p = *path ? withSlash(path) : "/";
    return p.size() < kRliPathMax && statvfs(p.c_str(), s) == 0;
}

}  // namespace

uint64_t rliStorageDiskFreeSize(const char *path) {
    struct statvfs s;
    if (!diskStat(path, &s)) return UINT64_MAX;
    // What the user can still write: blocks kept for the superuser are not.
    return static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
}

uint64_t storageDiskSize(const char *path) {
    struct statvfs s;
    if (!diskStat(path, &s)) return UINT64_MAX;
    return static_cast<uint64_t>(s.f_blocks) * s.f_frsize;
}

int rliStorageDiskFreeSizeRatioString(char *buf, size_t cap, const char *path) {
    if (!buf || cap == 0) return -1;
    uint64_t total = storageDiskSize(path), freeBytes = rliStorageDiskFreeSize(path);
    bool ok = total != UINT64_MAX && freeBytes != UINT64_MAX && total > 0;
    int percent = ok ? static_cast<int>(static_cast<double>(freeBytes) / static_cast<double>(total) * 100.0) : 0;
    std::snprintf(buf, cap, "%d%%", percent);
    return ok ? 0 : -1;
}

void rliStorageFileSizeString(char *buf, size_t cap, uint64_t size) {
    if (!buf || cap == 0) return;
    if (size >= (1ull << 30)) std::snprintf(buf, cap, "%lluGB", static_cast<unsigned long long>(size >> 30));
    else if (size >= (1ull << 20)) std::snprintf(buf, cap, "%lluMB", static_cast<unsigned long long>(size >> 20));
    else if (size >= 1024) std::snprintf(buf, cap, "%lluKB", static_cast<unsigned long long>(size >> 10));
    else std::snprintf(buf, cap, "%lluByte", static_cast<unsigned long long>(size));
}

int rliStorageRootCount(void) { return osStorageRootCount(); }
int rliStorageRootName(char *buf, size_t cap, int index) { return osStorageRootName(buf, cap, index); }

const char *stringLastSlash(const char *path) {
    if (!path) return nullptr;
    const char *a = std::strrchr(path, '/');
    const char *b = std::strrchr(path, '\\');
    return a > b ? a : b;
}

// --- Data-folder name cache ------------------------------------------------------------

void waveStorageWaveFile(const sCard *card, const sWave *wave) {
    if (!wave || wave->waveNumber < 0 || wave->waveNumber > 9999) return;
    int folder = wave->waveNumber / 100;
    if (gbStorageWaveInit[folder]) return;
    gbStorageWaveInit[folder] = true;
    char relative[64], path[kRliPathMax];
    std::snprintf(relative, sizeof relative, "%s%.2s/", cSTORAGE_DIR_WAVE_DATA, wave->dataFolder);
    if (cardPath(card, path, sizeof path, relative) != 0) return;
    sStorageListing *l = storageDevelopment(path);
    for (auto *f = l ? static_cast<const sStorageFileItem *>(l->files.first) : nullptr; f; f = f->next) {
        auto *e = static_cast<sStorageWaveName *>(memCalloc(sizeof(sStorageWaveName), "wname"));
        if (!e) break;
        copyField(e->baseName, sizeof e->baseName, f->baseName);
        copyField(e->ext, sizeof e->ext, f->ext);
        rliListAddTail(&gStorageWave[folder], e);
    }
    storageListingDispose(l);
}

int waveStorageAddWaveFile(const sWave *wave, int placed) {
    if (!wave || wave->waveNumber < 0 || wave->waveNumber > 9999) return -1;
    char base[kStorageNameMax], ext[kStorageExtMax];
    char name[kWaveFileNameLen + 1];
    copyField(name, sizeof name, wave->fileName);
    if (!splitName(name, base, ext)) return -1;
    auto *e = static_cast<sStorageWaveName *>(memCalloc(sizeof(sStorageWaveName), "wname"));
    if (!e) return -1;
    copyField(e->baseName, sizeof e->baseName, base);
    copyField(e->ext, sizeof e->ext, ext);
    e->placed = placed;
    rliListAddTail(&gStorageWave[wave->waveNumber / 100], e);
    return 0;
}

void waveStorageWaveFileClear(void) {
    for (int i = 0; i < kStorageFolderCount; ++i) {
        rliListFreeList(&gStorageWave[i]);
        gbStorageWaveInit[i] = false;
    }
}
