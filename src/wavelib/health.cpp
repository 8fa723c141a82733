// The check of a whole card and its repairs. See health.h.
#include "wavelib/health.h"
#include "wavelib/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "wavelib/names.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

void copyField(char *dst, size_t cap, const char *src) {
    size_t n = strnlen(src ? src : "", cap - 1);
    std::memcpy(dst, src ? src : "", n);
    dst[n] = '\0';
}

std::string lowered(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string errorText(int err) { return err ? std::strerror(err) : "not a regular file"; }

// Returns the value of a name of exactly two decimal digits, else -1.
int twoDigits(const char *name) {
    if (std::strlen(name) != 2 || name[0] < '0' || name[0] > '9' || name[1] < '0' || name[1] > '9') return -1;
    return (name[0] - '0') * 10 + (name[1] - '0');
}

bool hasPrefix(const std::string &text, const char *prefix) {
    return prefix && *prefix && text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The last two components of `path` ("NN/name"): how a data file is known
// whatever the case of the folders above it.
std::string dataKey(const std::string &path) {
    size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0) return path;
    size_t before = path.rfind('/', last - 1);
    return path.substr(before == std::string::npos ? 0 : before + 1);
}

// The wave number a parameter file path ".../NN/MM.kvb" stands for, or -1.
int prmNumber(const std::string &path) {
    std::string key = lowered(dataKey(path));
    if (key.size() != 9 || key.compare(2, 1, "/") != 0 || key.compare(5, 4, ".kvb") != 0) return -1;
    int nn = twoDigits(key.substr(0, 2).c_str()), mm = twoDigits(key.substr(3, 2).c_str());
    return nn < 0 || mm < 0 ? -1 : nn * 100 + mm;
}

bool isAudioName(const char *ext) {
    return rliStrCaseCmp(ext, ".wav") == 0 || rliStrCaseCmp(ext, ".aif") == 0 || rliStrCaseCmp(ext, ".aiff") == 0;
}

// Whether Shift-JIS bytes are all whole characters (the device shows them).
bool sjisValid(const char *bytes, size_t length) {
    return strSjisToUtf8(std::string(bytes, strnlen(bytes, length))).find("\xEF\xBF\xBD") == std::string::npos;
}

// The Shift-JIS form of a UTF-8 name on disk, or "" when Shift-JIS cannot
// hold it exactly.
std::string sjisOf(const std::string &utf8) {
    int lost = 0;
    std::string sjis = strUtf8ToSjis(utf8, &lost);
    return lost == 0 && strSjisToUtf8(sjis) == utf8 ? sjis : std::string();
}

// Only names our writers make (".<name>.XXXXXX.tmp", six random letters or
// digits) are taken for ours; another program's hidden ".tmp" file stays.
bool ourTempName(const std::string &name) {
    if (!rliFileIsTempName(name.c_str()) || name.size() < 13) return false;
    size_t dot = name.size() - 11;
    if (name[dot] != '.') return false;
    for (size_t i = dot + 1; i < dot + 7; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Where DEFAULT stands in the category list file, or will once added after
// the other entries; 0 without a list (a new wave lands in DEFAULT).
int defaultPosition(const _sWaveFileTagList *tags) {
    if (!tags) return 0;
    int i = 0;
    for (auto *t = static_cast<const sTag *>(tags->tags.first); t; t = t->next, ++i)
        if (rliStrCaseCmp(t->name, cWAVE_DEFAULT_TAG) == 0) return i;
    return i;
}

std::string devicePath(const sHealthReport *r, const std::string &relative) {
    char out[kRliPathMax];
    return wstorageDevicePath(out, sizeof out, r->root, relative.c_str()) == 0 ? out : "";
}

// The parameter folder of wave `number`, below the volume root.
std::string prmFolder(int number) {
    char rel[64];
    std::snprintf(rel, sizeof rel, "%s%02d/", cSTORAGE_DIR_WAVE_PRM, number / 100);
    return rel;
}

std::string prmPath(const sHealthReport *r, int number) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.kvb", number % 100);
    return devicePath(r, prmFolder(number) + name);
}

std::string kitPath(const sHealthReport *r, int kit) {
    char rel[64];
    std::snprintf(rel, sizeof rel, "%skit%03d.kvb", cSTORAGE_DIR_KIT, kit);
    return devicePath(r, rel);
}

// Why the device cannot play an audio file, or "" when it can.
std::string unplayableReason(const std::string &path) {
    char why[256];
    return audioCheckFile(path.c_str(), why, sizeof why) == AUDIO_OK ? "" : why;
}

// The whole bytes of the file at `path`; false when it cannot be read.
bool readBytes(const std::string &path, std::string *bytes) {
    _sRliFile *f = rliFileOpenA(path.c_str(), cRLIFILE_MODE_READ_BINARY, -1);
    if (!f) return false;
    bytes->assign(reinterpret_cast<const char *>(rliFileGetDataAddr(f)), rliFileGetDataSize(f));
    rliFileClose(f);
    return true;
}

// The entries a rebuilt category list holds, in file order: one for every
// category number a wave has (a number the device cannot show excepted), with
// the names the damaged list at `path` still shows whole (entries closed
// before the damage) and placeholders for the rest (DEFAULT first where the
// first name is lost), then DEFAULT unless it is among them. A wave's number
// thus names the same position.
std::vector<std::string> rebuiltTagNames(const _sWaveStorage *s, const std::string &path) {
    std::vector<std::string> names;
    std::string bytes;
    if (readBytes(path, &bytes)) {
        size_t whole = 0;
        for (size_t at = bytes.find("</TagPrm>"); at != std::string::npos; at = bytes.find("</TagPrm>", at + 1)) ++whole;
        if (bytes.find("</TagList>") == std::string::npos) bytes += "\n</TagList>\n";
        _sWaveFileTagList *read = waveFileTagListCreateFromMemory(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        for (auto *t = read ? static_cast<const sTag *>(read->tags.first) : nullptr; t && names.size() < whole; t = t->next)
            names.push_back(t->name);
        waveFileTagListDispose(read);
    }
    size_t needed = names.size();
    for (auto *n = static_cast<const sStorageWavePrm *>(s->wavePrms.first); n; n = n->next)
        if (n->prm->tagNumber >= 0 && n->prm->tagNumber < kTagCountMax)
            needed = std::max(needed, static_cast<size_t>(n->prm->tagNumber) + 1);
    auto taken = [&](const std::string &name) {
        for (const std::string &other : names)
            if (rliStrCaseCmp(other.c_str(), name.c_str()) == 0) return true;
        return false;
    };
    for (size_t i = 0, k = 1; i < needed; ++i) {
        if (i < names.size() && !names[i].empty() && names[i].find_first_not_of(' ') != std::string::npos) continue;
        // Every list this program or the device starts holds DEFAULT first.
        std::string placeholder = i == 0 && !taken(cWAVE_DEFAULT_TAG) ? cWAVE_DEFAULT_TAG : "";
        while (placeholder.empty() || taken(placeholder)) placeholder = "CATEGORY " + std::to_string(k++);
        if (i < names.size()) names[i] = placeholder;
        else names.push_back(placeholder);
    }
    if (!taken(cWAVE_DEFAULT_TAG)) names.push_back(cWAVE_DEFAULT_TAG);
    return names;
}

// --- The check ---------------------------------------------------------------------------

struct Check {
    sHealthReport *r = nullptr;
    _sWaveStorage *s = nullptr;
    std::vector<char> waveExists = std::vector<char>(kWaveNumberMax + 1, 0);
    std::vector<char> prmBlocked = std::vector<char>(kWaveNumberMax + 1, 0);  // a parameter file we cannot use
    std::vector<char> numberTaken = std::vector<char>(kWaveNumberMax + 1, 0);
    std::vector<int> nextFree = std::vector<int>(kWaveNumberMax / 100 + 1, 0);  // per data folder
    std::set<std::string> referenced;  // dataKey of every audio file a wave was found with
    std::set<std::string> namedLoose;  // lowered dataKey of audio files that could not be examined

    void add(int32_t kind, int32_t fix, const std::string &path, const std::string &detail, int number = -1,
             int slot = -1) {
        waveHealthAdd(r, kind, fix, path.c_str(), detail.c_str(), number, slot);
    }

    bool inFolder(const std::string &path, const sStorageListing *l) const { return l && hasPrefix(path, l->path); }

    void notes() {
        for (auto *n = static_cast<const sStorageNote *>(s->notes.first); n; n = n->next) {
            std::string path = n->path, audio = n->detail;
            bool kit = inFolder(path, s->kit), system = inFolder(path, s->system);
            int number = kit || system ? -1 : prmNumber(path);
            // A pad naming such a wave is kept: the wave may come back once
            // its parameter file is mended. An orphan's wave never does.
            if (number >= 0 && n->kind != WSTORAGE_NOTE_ORPHAN) prmBlocked[number] = 1;
            switch (n->kind) {
            case WSTORAGE_NOTE_ORPHAN:
                add(HEALTH_PRM_NO_AUDIO, HEALTH_FIX_REMOVE_PRM, path, "its audio file " + audio + " does not exist",
                    number);
                break;
            case WSTORAGE_NOTE_AUDIO_UNKNOWN:
                namedLoose.insert(lowered(dataKey(audio)));
                add(HEALTH_PRM_AUDIO_UNREADABLE, HEALTH_FIX_NONE, path,
                    "its audio file " + audio + " cannot be examined: " + errorText(n->err), number);
                break;
            case WSTORAGE_NOTE_PATH_DAMAGED:
                add(HEALTH_PRM_DAMAGED, HEALTH_FIX_NONE, path,
                    "\"Path\" value \"" + strSjisToUtf8(audio) + "\" is not a two-digit data folder and a plain file name",
                    number);
                break;
            case WSTORAGE_NOTE_UNREADABLE:
            case WSTORAGE_NOTE_MALFORMED: {
                bool unreadable = n->kind == WSTORAGE_NOTE_UNREADABLE;
                std::string why = unreadable ? "cannot be read: " + errorText(n->err)
                                             : std::string("does not parse: not one whole parameter file of its kind");
                if (kit) {
                    // The writer refuses to replace a file it cannot read, so
                    // only a file that reads but does not parse is rewritten.
                    int k = -1;
                    std::sscanf(path.c_str() + path.rfind('/') + 1, "kit%3d", &k);
                    add(HEALTH_KIT_DAMAGED, unreadable || k < 0 ? HEALTH_FIX_NONE : HEALTH_FIX_REWRITE_KIT, path,
                        "kit file " + why + (unreadable ? "" : " (its pads are lost; it is written anew, empty)"), k);
                } else if (system) {
                    add(HEALTH_TAG_LIST_DAMAGED, rebuildable(path) ? HEALTH_FIX_REBUILD_TAGS : HEALTH_FIX_NONE, path,
                        "category list " + why);
                } else {
                    add(unreadable ? HEALTH_PRM_UNREADABLE : HEALTH_PRM_DAMAGED, HEALTH_FIX_NONE, path,
                        "wave parameter file " + why, number);
                }
                break;
            }
            case WSTORAGE_NOTE_DUPLICATE:
                add(HEALTH_PRM_DUPLICATE, HEALTH_FIX_NONE, path,
                    "the same parameter file in another spelling was read instead (a FAT card keeps only one)", number);
                break;
            case WSTORAGE_NOTE_FOLDER_UNREADABLE:
                add(HEALTH_FOLDER_UNREADABLE, HEALTH_FIX_NONE, path, "folder cannot be listed: " + errorText(n->err));
                break;
            default: break;
            }
        }
    }

    // Whether a rebuilt category list can give every wave the category number
    // it has and still hold DEFAULT among the device's 20.
    bool rebuildable(const std::string &path) const {
        return static_cast<int>(rebuiltTagNames(s, path).size()) <= kTagCountMax;
    }

    void waves() {
        sWaveList *list = r->list;
        for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next) {
            if (w->waveNumber >= 0 && w->waveNumber <= kWaveNumberMax) waveExists[w->waveNumber] = 1;
            if (!sjisValid(w->name, kWaveNameLen))
                add(HEALTH_NAME_NOT_SJIS, HEALTH_FIX_NONE, prmPath(r, w->waveNumber),
                    "wave name holds bytes that are not Shift-JIS", w->waveNumber);
        }
        int tags = waveListTagCount(list);
        int shift = s->tagList && !s->tagList->hasDefault ? 1 : 0;
        std::map<std::string, int> owner;  // lowered dataKey -> the first wave found with it
        for (auto *n = static_cast<const sStorageWavePrm *>(s->wavePrms.first); n; n = n->next) {
            referenced.insert(dataKey(n->audioPath));
            // Deleting either wave would take the other's audio with it.
            auto [first, fresh] = owner.emplace(lowered(dataKey(n->audioPath)), n->prm->waveNumber);
            if (!fresh)
                add(HEALTH_AUDIO_SHARED, HEALTH_FIX_NONE, prmPath(r, n->prm->waveNumber),
                    "names " + std::string(n->audioPath) + ", the audio file of wave " + std::to_string(first->second),
                    n->prm->waveNumber);
            std::string why = unplayableReason(n->audioPath);
            if (!why.empty())
                add(HEALTH_AUDIO_UNPLAYABLE, HEALTH_FIX_NONE, n->audioPath,
                    "wave " + std::to_string(n->prm->waveNumber) + ": " + why, n->prm->waveNumber);
            int tag = n->prm->tagNumber;
            if (s->tagList && (tag < 0 || tag + shift >= tags))
                add(HEALTH_TAG_OUT_OF_RANGE, HEALTH_FIX_NONE, prmPath(r, n->prm->waveNumber),
                    "category number " + std::to_string(tag) + " names no category; the wave shows in DEFAULT",
                    n->prm->waveNumber);
        }
    }

    void categories() {
        std::string path = devicePath(r, std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST);
        if (!s->tagList && !wstorageTagListUnreadable(s))
            add(HEALTH_TAG_LIST_MISSING, rebuildable(path) ? HEALTH_FIX_REBUILD_TAGS : HEALTH_FIX_NONE, path,
                "no category list: every wave shows in DEFAULT, and the next save would lose their categories");
        if (!s->tagList) return;
        int count = rliListCount(&s->tagList->tags);
        if (count > kTagCountMax)
            add(HEALTH_TAG_TOO_MANY, HEALTH_FIX_NONE, path,
                std::to_string(count) + " categories; the device takes 20 and the rest are left out");
        for (auto *t = static_cast<const sTag *>(s->tagList->tags.first); t; t = t->next)
            if (!sjisValid(t->name, kTagNameLen))
                add(HEALTH_NAME_NOT_SJIS, HEALTH_FIX_NONE, path, "a category name holds bytes that are not Shift-JIS");
    }

    void pads() {
        for (auto *kit = static_cast<const sKit *>(r->list->kits.first); kit; kit = kit->next) {
            if (!kit->isFile) continue;
            std::string path = kitPath(r, kit->kitNumber);
            if (!sjisValid(kit->name, kKitNameLen) || !sjisValid(kit->subName, kKitSubNameLen))
                add(HEALTH_NAME_NOT_SJIS, HEALTH_FIX_NONE, path, "kit name holds bytes that are not Shift-JIS",
                    kit->kitNumber);
            int index = 0;
            for (auto *node = static_cast<const sListItem *>(kit->pads.first); node; node = node->next, ++index) {
                auto *pad = static_cast<const sPad *>(node->item);
                for (int sub = 0; sub < 2; ++sub) {
                    int w = sub ? pad->subWaveNumber : pad->waveNumber;
                    if (w < 0) continue;
                    if (w <= kWaveNumberMax) numberTaken[w] = 1;
                    if (w <= kWaveNumberMax && waveExists[w]) continue;
                    bool blocked = w <= kWaveNumberMax && prmBlocked[w];
                    std::string what = std::string(sub ? "sub-pad " : "pad ") + std::to_string(index + 1) +
                                       " names wave " + std::to_string(w) + ", which does not exist";
                    if (blocked) what += " (its parameter file cannot be used; the pad is kept)";
                    add(HEALTH_PAD_DANGLING, blocked ? HEALTH_FIX_NONE : HEALTH_FIX_CLEAR_PAD, path, what,
                        kit->kitNumber, index * 2 + sub);
                }
            }
        }
    }

    void waveLists() {
        if (!s->system) return;
        for (int i = 0; i < kStorageWaveListFiles; ++i) {
            const sStorageFileItem *found = nullptr;
            for (auto *f = static_cast<const sStorageFileItem *>(s->system->files.first); f && !found; f = f->next)
                if (rliStrCaseCmp(f->name, cSTORAGE_FILE_WAVE_LISTS[i]) == 0) found = f;
            if (!found) continue;
            std::string actual = std::string(s->system->path) + found->name;
            if (!waveListFileHolds(actual.c_str(), waveListListFileText(r->list, i)))
                add(HEALTH_WAVELIST_STALE, HEALTH_FIX_REWRITE_WAVELIST, actual,
                    "wave list file does not match the library" +
                        std::string(access(actual.c_str(), R_OK) == 0 ? "" : " (cannot be read)"), i);
        }
    }

    // Audio files no parameter file names, name clashes and names Shift-JIS
    // cannot hold, folder by folder; orphans get a free number of their
    // folder's range when they can become waves.
    void dataFolders() {
        if (!s->dataPath[0]) return;
        for (auto *n = static_cast<const sStorageWavePrm *>(s->wavePrms.first); n; n = n->next)
            numberTaken[n->prm->waveNumber] = 1;
        sStorageListing *data = storageDevelopment(s->dataPath);
        if (!data && errno != 0) add(HEALTH_FOLDER_UNREADABLE, HEALTH_FIX_NONE, s->dataPath, "folder cannot be listed: " + errorText(errno));
        for (auto *d = data ? static_cast<const sStorageDirItem *>(data->folders.first) : nullptr; d; d = d->next) {
            int nn = twoDigits(d->name);
            if (nn < 0) continue;
            std::string folder = std::string(data->path) + d->name + "/";
            sStorageListing *l = storageDevelopment(folder.c_str());
            if (l) dataFolder(l, nn);
            storageListingDispose(l);
        }
        storageListingDispose(data);
    }

    void takePrmNames(int nn) {
        const sStorageListing *p = s->prmFolder[nn];
        for (auto *f = p ? static_cast<const sStorageFileItem *>(p->files.first) : nullptr; f; f = f->next) {
            int mm = twoDigits(f->baseName);
            if (mm >= 0 && rliStrCaseCmp(f->ext, ".kvb") == 0) numberTaken[nn * 100 + mm] = 1;
        }
    }

    // Numbers are only ever taken, so each folder's search goes on where its last one stopped.
    int freeNumber(int nn) {
        int &mm = nextFree[nn];
        while (mm < 100 && numberTaken[nn * 100 + mm]) ++mm;
        return mm < 100 ? nn * 100 + mm : -1;
    }

    void dataFolder(const sStorageListing *l, int nn) {
        takePrmNames(nn);
        std::map<std::string, std::string> seen;  // lowered name -> first name on disk
        std::set<std::string> clashing;
        for (auto *f = static_cast<const sStorageFileItem *>(l->files.first); f; f = f->next) {
            auto [it, fresh] = seen.emplace(lowered(f->name), f->name);
            if (fresh) continue;
            clashing.insert(it->first);
            add(HEALTH_NAME_CLASH, HEALTH_FIX_NONE, std::string(l->path) + f->name,
                "same name as " + it->second + " on a card that ignores case");
        }
        for (auto *f = static_cast<const sStorageFileItem *>(l->files.first); f; f = f->next) {
            if (f->name[0] == '.' || !isAudioName(f->ext)) continue;
            std::string path = std::string(l->path) + f->name;
            std::string sjis = sjisOf(f->name);
            if (sjis.empty()) add(HEALTH_NAME_NOT_SJIS, HEALTH_FIX_NONE, path, "file name Shift-JIS cannot hold");
            // A wave was found with this very file; a file that could not be
            // examined may be it in another case, and is not taken either.
            if (referenced.count(dataKey(path)) || namedLoose.count(lowered(dataKey(path)))) continue;
            std::string why;
            if (sjis.empty()) why = "its name Shift-JIS cannot hold";
            else if (sjis.size() > kWaveFileNameLen) why = "its name is longer than 16 bytes";
            else if (!waveFileNameIsSafe(f->name))
                why = "its name holds a character a parameter file or a FAT card cannot hold (rename the file)";
            else if (clashing.count(lowered(f->name))) why = "another file has the same name in another case";
            else if (defaultPosition(s->tagList) >= kTagCountMax)
                why = "DEFAULT is not among the first 20 categories, or there is no room to add it";
            else why = unplayableReason(path);
            int number = why.empty() ? freeNumber(nn) : -1;
            if (why.empty() && number < 0) why = "every wave number of its folder is taken";
            if (!why.empty()) {
                add(HEALTH_AUDIO_ORPHAN, HEALTH_FIX_NONE, path, "no parameter file names it; cannot become a wave: " + why);
                continue;
            }
            numberTaken[number] = 1;
            char name[kWaveNameLen + 1];
            waveWaveGetEffectiveName(name, path.c_str());
            add(HEALTH_AUDIO_ORPHAN, HEALTH_FIX_ADOPT, path,
                "no parameter file names it; becomes wave " + std::to_string(number) + " \"" + name + "\" in DEFAULT",
                number);
        }
    }

    // Our temporary files anywhere below the maker folder; hidden folders
    // (a restore's staging folder among them) are not entered.
    void walk(const std::string &folder, bool maker) {
        DIR *d = opendir(folder.c_str());
        if (!d) return;
        std::vector<std::pair<std::string, bool>> entries;
        while (dirent *e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            struct stat st;
            if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISLNK(st.st_mode))
                add(HEALTH_SYMLINK, HEALTH_FIX_NONE, folder + e->d_name,
                    "symbolic link in the device tree: nothing is written through it, and the device may not follow it");
            if (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)) entries.emplace_back(e->d_name, S_ISDIR(st.st_mode));
        }
        closedir(d);
        std::sort(entries.begin(), entries.end());
        for (const auto &[name, isDir] : entries) {
            std::string path = folder + name;
            const char *ext = std::strrchr(name.c_str(), '.');
            if (isDir && name[0] == '.') {
                // The journals themselves are looked after by app/journal.h;
                // only a journal write cut off leaves a temporary file there.
                if (maker && name == cJOURNAL_FOLDER) walk(path + "/", false);
                else if (maker)
                    add(HEALTH_STAGING, HEALTH_FIX_NONE, path + "/",
                        "hidden folder below Korvan/: the staging folder of a restore that did not finish");
            } else if (isDir && ext && (isAudioName(ext) || rliStrCaseCmp(ext, ".kvb") == 0)) {
                add(HEALTH_FOLDER_FOR_FILE, HEALTH_FIX_NONE, path + "/",
                    "a folder where a file belongs: the device cannot read it, and nothing can be written there");
            } else if (isDir) {
                walk(path + "/", false);
            } else if (ourTempName(name)) {
                add(HEALTH_TEMP_FILE, HEALTH_FIX_REMOVE_TEMP, path, "temporary file left by a write that did not finish");
            }
        }
    }
};

int byKind(const void *a, const void *b) {
    return static_cast<const sHealthFinding *>(a)->kind > static_cast<const sHealthFinding *>(b)->kind ? 1 : 0;
}

void clearReport(sHealthReport *r, const char *root) {
    std::memset(r, 0, sizeof *r);
    std::string p = root ? root : "";
    if (p.empty() || p.back() != '/') p += '/';
    copyField(r->root, sizeof r->root, p.c_str());
}

}  // namespace

// --- Findings --------------------------------------------------------------------------------

sHealthFinding *waveHealthAdd(sHealthReport *report, int32_t kind, int32_t fix, const char *path, const char *detail,
                              int32_t number, int32_t slot) {
    if (!report) return nullptr;
    auto *f = static_cast<sHealthFinding *>(memCalloc(sizeof(sHealthFinding), "HFind"));
    if (!f) return nullptr;
    f->kind = kind;
    f->fix = fix;
    f->number = number;
    f->slot = slot;
    copyField(f->path, sizeof f->path, path);
    copyField(f->detail, sizeof f->detail, detail);
    rliListAddTail(&report->findings, f);
    return f;
}

int waveHealthAddRepair(sHealthReport *report, int32_t fix, int ok, const char *path, const char *detail) {
    if (!report) return -1;
    auto *p = static_cast<sHealthRepair *>(memCalloc(sizeof(sHealthRepair), "HRep"));
    if (!p) return -1;
    p->fix = fix;
    p->ok = ok ? 1 : 0;
    copyField(p->path, sizeof p->path, path);
    copyField(p->detail, sizeof p->detail, detail);
    rliListAddTail(&report->repairs, p);
    return 0;
}

const char *const cHEALTH_DAMAGED_TAG_LIST = "tag_list.kvb.damaged";

int waveHealthFindingCount(const sHealthReport *report) { return report ? rliListCount(&report->findings) : 0; }

int waveHealthFixableCount(const sHealthReport *report) {
    int n = 0;
    for (auto *f = report ? static_cast<const sHealthFinding *>(report->findings.first) : nullptr; f; f = f->next)
        n += f->fix != HEALTH_FIX_NONE;
    return n;
}

const char *waveHealthKindName(int32_t kind) {
    static const char *const kNames[] = {
        "unknown", "parameter_damaged", "parameter_unreadable", "parameter_duplicate", "parameter_without_audio",
        "parameter_audio_unreadable", "audio_without_parameter", "audio_unplayable", "pad_dangling",
        "category_out_of_range", "too_many_categories", "category_list_damaged", "kit_damaged", "wave_list_stale",
        "name_not_shift_jis", "name_clash", "temporary_file", "restore_staging", "restore_interrupted",
        "folder_unreadable", "low_space", "category_list_missing", "folder_where_file_belongs",
        "audio_named_twice", "symbolic_link", "edit_cut_off"};
    static_assert(sizeof kNames / sizeof kNames[0] == HEALTH_KIND_END);
    return kind > 0 && kind < HEALTH_KIND_END ? kNames[kind] : kNames[0];
}

const char *waveHealthFixName(int32_t fix) {
    static const char *const kNames[] = {"none",          "remove_parameter", "adopt",       "clear_pad",
                                         "rewrite_kit",   "rewrite_wave_list", "remove_temporary",
                                         "recover_restore", "add_default_category", "rebuild_category_list"};
    static_assert(sizeof kNames / sizeof kNames[0] == HEALTH_FIX_END);
    return fix >= 0 && fix < HEALTH_FIX_END ? kNames[fix] : "unknown";
}

// --- Checking -----------------------------------------------------------------------------

int waveHealthCheck(const char *root, sHealthReport *report) {
    if (!report) return -1;
    clearReport(report, root);
    report->freeBytes = rliStorageDiskFreeSize(report->root);
    report->totalBytes = storageDiskSize(report->root);
    report->list = waveListCreateFromStorageWindowOpen(report->root, 0, WSTORAGE_SCAN_READ_ONLY);
    if (!report->list || !report->list->storage) return -1;
    Check c;
    c.r = report;
    c.s = report->list->storage;
    c.notes();
    c.waves();
    c.categories();
    c.pads();
    c.waveLists();
    c.dataFolders();
    if (c.s->maker) c.walk(c.s->maker->path, true);
    if (report->freeBytes != UINT64_MAX && report->freeBytes < kHealthSpaceLow) {
        char text[96];
        rliStorageFileSizeString(text, sizeof text, report->freeBytes);
        c.add(HEALTH_SPACE_LOW, HEALTH_FIX_NONE, report->root,
              std::string("the card is full: ") + text + " free; imports and saves will fail");
    }
    rliListSortList(&report->findings, byKind);
    return 0;
}

void waveHealthDispose(sHealthReport *report) {
    if (!report) return;
    rliListFreeList(&report->findings);
    rliListFreeList(&report->repairs);
    waveListDispose(report->list);
    report->list = nullptr;
}

// --- Repairing ----------------------------------------------------------------------------------

namespace {

struct Repair {
    sHealthReport *log = nullptr;  // where the repairs are recorded
    sHealthReport *now = nullptr;  // the card as last checked
    int failed = 0;
    int made = 0;

    void record(int32_t fix, bool ok, const std::string &path, const std::string &detail) {
        waveHealthAddRepair(log, fix, ok, path.c_str(), detail.c_str());
        (ok ? made : failed) += 1;
    }

    // Definite orphans go exactly as the scan's clean-up mode decides.
    void removeOrphans() {
        sWaveList *list = waveListCreateFromStorageWindowOpen(log->root, 0, WSTORAGE_SCAN_CLEAN);
        for (auto *n = list ? static_cast<const sStorageNote *>(list->storage->notes.first) : nullptr; n; n = n->next) {
            if (n->kind == WSTORAGE_NOTE_ORPHAN_DELETED)
                record(HEALTH_FIX_REMOVE_PRM, true, n->path, std::string("removed: its audio file ") + n->detail + " does not exist");
            else if (n->kind == WSTORAGE_NOTE_DELETE_FAILED)
                record(HEALTH_FIX_REMOVE_PRM, false, n->path, std::string("cannot be removed: ") + errorText(n->err));
        }
        waveListDispose(list);
    }

    void removeTemp(const sHealthFinding *f) {
        bool ok = rliFileDelete(f->path) == 0 || errno == ENOENT;
        record(HEALTH_FIX_REMOVE_TEMP, ok, f->path, ok ? "removed" : std::string("cannot be removed: ") + std::strerror(errno));
    }

    // One write per kit, whether it was damaged or had pads cleared.
    struct KitWrite {
        int32_t fix = HEALTH_FIX_CLEAR_PAD;
        std::string path;
        std::string what;
    };

    void clearPads(bool wantPads, bool wantKits) {
        std::map<int, KitWrite> kits;
        for (auto *f = static_cast<const sHealthFinding *>(now->findings.first); f; f = f->next) {
            if (wantKits && f->fix == HEALTH_FIX_REWRITE_KIT) {
                kits[f->number] = {HEALTH_FIX_REWRITE_KIT, f->path, "written anew"};
            } else if (wantPads && f->fix == HEALTH_FIX_CLEAR_PAD) {
                sPad *pad = waveKitPadPtr(waveListKitPtr(now->list, f->number), f->slot / 2);
                if (!pad) continue;
                if (f->slot & 1) wavePadSubWaveNumber(pad, -1);
                else wavePadWaveNumber(pad, -1);
                KitWrite &k = kits[f->number];
                k.path = f->path;
                k.what += std::string(k.what.empty() ? "cleared " : ", ") + (f->slot & 1 ? "sub-pad " : "pad ") +
                          std::to_string(f->slot / 2 + 1);
            }
        }
        for (const auto &[number, k] : kits) {
            sKit *kit = waveListKitPtr(now->list, number);
            bool ok = kit && waveFileKitPrmCreateToFile(kit, k.path.c_str()) == 0;
            record(k.fix, ok, k.path, ok ? k.what : "cannot be written: " + std::string(std::strerror(errno)));
        }
    }

    // The category number adopted waves get: DEFAULT's position in the file.
    // A list without DEFAULT gets one after its other entries, which moves no
    // wave: their numbers keep naming the same categories.
    int defaultTagNumber(sTag **tag, sListBase *own) {
        _sWaveStorage *s = now->list->storage;
        if (!s->tagList) {
            *tag = tagCreate(cWAVE_DEFAULT_TAG, 0);
            if (*tag) rliListAddTail(own, *tag);
            return *tag ? 0 : -1;
        }
        int i = defaultPosition(s->tagList);
        if (i < rliListCount(&s->tagList->tags)) {
            *tag = static_cast<sTag *>(rliListFindLink(&s->tagList->tags, i));
            return i;
        }
        std::string path = devicePath(now, std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST);
        *tag = tagCreate(cWAVE_DEFAULT_TAG, 0);
        if (!*tag) return -1;
        rliListAddTail(&s->tagList->tags, *tag);
        s->tagList->hasDefault = 1;
        bool ok = waveFileTagListCreateToFile(&s->tagList->tags, path.c_str()) == 0;
        record(HEALTH_FIX_TAG_DEFAULT, ok, path, ok ? "DEFAULT added after the other categories"
                                                    : "cannot be written: " + std::string(std::strerror(errno)));
        return ok ? i : -1;
    }

    void adopt(const sHealthFinding *f, const sListBase *tags, sTag *tag) {
        std::string path = f->path;
        std::string name = path.substr(path.rfind('/') + 1);
        std::string target = prmPath(now, f->number);
        struct stat st;
        sWave wave{};
        waveWaveGetEffectiveName(wave.name, path.c_str());
        copyField(wave.fileName, sizeof wave.fileName, sjisOf(name).c_str());
        wave.dataFolder[0] = static_cast<char>('0' + f->number / 1000 % 10);
        wave.dataFolder[1] = static_cast<char>('0' + f->number / 100 % 10);
        wave.waveNumber = f->number;
        wave.category = tag;
        bool ok = false;
        std::string why;
        if (target.empty() || lstat(target.c_str(), &st) == 0 || errno != ENOENT) why = "its parameter file is already there";
        else if (wstorageMakeDir(now->root, prmFolder(f->number).c_str()) != 0 ||
                 waveFileWavePrmCreateToFile(&wave, tags, target.c_str()) != 0)
            why = std::string("cannot be written: ") + std::strerror(errno);
        else ok = true;
        record(HEALTH_FIX_ADOPT, ok, path,
               ok ? "became wave " + std::to_string(f->number) + " \"" + wave.name + "\" (" + target + ")"
                  : "not adopted: " + target + " " + why);
    }

    void adoptOrphans() {
        bool any = false;
        for (auto *f = static_cast<const sHealthFinding *>(now->findings.first); f && !any; f = f->next)
            any = f->fix == HEALTH_FIX_ADOPT;
        if (!any) return;
        sListBase own{};
        sTag *tag = nullptr;
        _sWaveStorage *s = now->list->storage;
        if (defaultTagNumber(&tag, &own) >= 0) {
            const sListBase *tags = s->tagList ? &s->tagList->tags : &own;
            for (auto *f = static_cast<const sHealthFinding *>(now->findings.first); f; f = f->next)
                if (f->fix == HEALTH_FIX_ADOPT) adopt(f, tags, tag);
        }
        while (auto *t = static_cast<sTag *>(own.first)) {
            rliListRemLink(&own, t);
            tagDispose(t);
        }
    }

    void rebuildTags(const sHealthFinding *f) {
        std::string path = f->path, bytes;
        std::vector<std::string> names = rebuiltTagNames(now->list->storage, path);
        std::string kept = path.substr(0, path.rfind('/') + 1) + cHEALTH_DAMAGED_TAG_LIST;
        // The damaged bytes may be the only record of the real names.
        bool keep = f->kind == HEALTH_TAG_LIST_DAMAGED && readBytes(path, &bytes);
        if (keep && rliFileWriteAll(kept.c_str(), bytes.data(), bytes.size()) != 0) {
            record(HEALTH_FIX_REBUILD_TAGS, false, path,
                   "not rebuilt: its bytes cannot be kept as " + kept + ": " + std::strerror(errno));
            return;
        }
        sListBase tags{};
        int order = static_cast<int>(names.size());
        for (const std::string &name : names)
            if (sTag *tag = tagCreate(name.c_str(), --order)) rliListAddTail(&tags, tag);
        bool ok = rliListCount(&tags) == static_cast<int>(names.size()) &&
                  waveFileTagListCreateToFile(&tags, path.c_str()) == 0;
        while (auto *t = static_cast<sTag *>(tags.first)) {
            rliListRemLink(&tags, t);
            tagDispose(t);
        }
        record(HEALTH_FIX_REBUILD_TAGS, ok, path,
               ok ? "rebuilt with " + std::to_string(names.size()) + " categories; every wave keeps its category number" +
                        (keep ? " (the damaged file is kept as " + kept + ")" : "")
                  : "cannot be written: " + std::string(std::strerror(errno)));
    }

    void rewriteWaveLists() {
        for (auto *f = static_cast<const sHealthFinding *>(now->findings.first); f; f = f->next) {
            if (f->fix != HEALTH_FIX_REWRITE_WAVELIST) continue;
            bool ok = waveListWriteListFile(now->list, f->number, f->path) == 0;
            record(HEALTH_FIX_REWRITE_WAVELIST, ok, f->path,
                   ok ? "rewritten from the library" : "cannot be written: " + std::string(std::strerror(errno)));
        }
    }

    bool recheck() {
        waveHealthDispose(now);
        return waveHealthCheck(log->root, now) == 0;
    }
};

}  // namespace

int waveHealthApply(sHealthReport *report, sHealthReport *after) {
    if (!report) return -1;
    bool want[HEALTH_FIX_END] = {};
    for (auto *f = static_cast<const sHealthFinding *>(report->findings.first); f; f = f->next)
        if (f->fix >= 0 && f->fix < HEALTH_FIX_END) want[f->fix] = true;
    sHealthReport now{};
    Repair r;
    r.log = report;
    r.now = &now;
    rliFileSyncBegin();
    if (want[HEALTH_FIX_REMOVE_PRM]) r.removeOrphans();
    bool read = r.recheck();
    if (read && want[HEALTH_FIX_REBUILD_TAGS]) {
        // Everything after it must see the waves in their categories again.
        for (auto *f = static_cast<const sHealthFinding *>(now.findings.first); f; f = f->next)
            if (f->fix == HEALTH_FIX_REBUILD_TAGS) r.rebuildTags(f);
        read = r.recheck();
    }
    if (read) {
        for (auto *f = static_cast<const sHealthFinding *>(now.findings.first); f; f = f->next)
            if (want[HEALTH_FIX_REMOVE_TEMP] && f->fix == HEALTH_FIX_REMOVE_TEMP) r.removeTemp(f);
        r.clearPads(want[HEALTH_FIX_CLEAR_PAD], want[HEALTH_FIX_REWRITE_KIT]);
        if (want[HEALTH_FIX_ADOPT]) r.adoptOrphans();
        // The repairs above change the library; its wave list files follow.
        if (r.made > 0 || want[HEALTH_FIX_REWRITE_WAVELIST]) {
            if ((read = r.recheck())) r.rewriteWaveLists();
        }
    }
    waveHealthDispose(&now);
    if (rliFileSyncEnd(report->root) != 0) r.record(HEALTH_FIX_NONE, false, report->root, "the card could not be synced");
    if (after) waveHealthCheck(report->root, after);
    return read ? r.failed : -1;
}
