// Backup save and restore, and the recovery of an interrupted restore. See backup.h.
#include "transfer/backup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "foundation/fault.h"
#include "foundation/file.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "transfer/archive.h"
#include "wavelib/card.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

const char *const cBACKUP_FILE_NAME = "KVB-RT-BKUP-ALL.kvb";
const char *const cBACKUP_STAGING_NAME = ".kvbrt-restore";

char gExportFilename[kBackupPathMax];
char gImportFilename[kBackupPathMax];

namespace {

std::atomic<int> gExportCancel{0};
std::atomic<int> gImportCancel{0};
uint64_t (*gFreeSpaceProbe)(const char *path) = nullptr;

// The staging folder's parts.
constexpr const char *kStagedDir = "new";
constexpr const char *kAsideDir = "old";
constexpr const char *kJournal = "journal";
constexpr const char *kJournalMagic = "kvbrt-restore 1";
// Share of the restore's bar the unpacking takes; the renames take the rest.
constexpr double kUnpackShare = 0.95;

// What a backup or restore job works on and reports into, made by the Calc
// functions on the main thread and read back after the job ended.
struct sBackupJob {
    const char *root;       // the card's root folder
    std::string archive;    // the backup file written or read
    int total;              // backup: files expected, for the progress
    unsigned flags;         // restore: RESTORE_*
    sBackupResult *result;  // the outcome
    const std::vector<sTarReplacement> *replace;  // backup: lists archived in place of the card's; may be null
};

bool faulted() { return rliFaultFileHit() != 0; }

void setResultError(sBackupResult *r, const std::string &text) {
    if (r && !r->error[0]) std::snprintf(r->error, sizeof r->error, "%s", text.c_str());
}

std::string reason(int err) { return std::strerror(err ? err : EIO); }

// Shows a string-table text with a readable detail appended, title "Error".
void showError(int text, const char *detail) {
    std::wstring message = dnaStrGetPtr(text);
    if (detail && *detail) {
        std::vector<wchar_t> wide(std::strlen(detail) + 1);
        if (utf8towchar(wide.data(), wide.size(), detail) >= 0) message += std::wstring(L"\n\n") + wide.data();
    }
    editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, message.c_str(), 0);
}

void barProgress(void *, float ratio) {
    edtiProgressBarSetRatio(ratio);
    editProgressBarUpdateRequest();
}

// The unpacking's share of the bar.
void unpackProgress(void *, float ratio) { barProgress(nullptr, static_cast<float>(ratio * kUnpackShare)); }

// "root/Korvan" as found on the card (no trailing "/"), or "" when it does not fit.
std::string makerPath(const char *root) {
    char out[kRliPathMax];
    if (wstorageDevicePath(out, sizeof out, root, "Korvan") != 0) return "";
    return out;
}

std::string join(const std::string &a, const std::string &b) {
    if (b.empty()) return a;
    if (a.empty()) return b;
    return a.back() == '/' ? a + b : a + "/" + b;
}

// --- File operations the fault hook reaches ----------------------------------------

int fsRename(const std::string &from, const std::string &to) {
    if (faulted()) return -1;
    return rename(from.c_str(), to.c_str());
}

int fsRemove(const std::string &path, bool folder) {
    if (faulted()) return -1;
    return folder ? rmdir(path.c_str()) : unlink(path.c_str());
}

bool exists(const std::string &path, struct stat *st = nullptr) {
    struct stat s;
    return lstat(path.c_str(), st ? st : &s) == 0;
}

// Makes the folders of `rel`'s parent inside `base`, which must exist. Returns 0 or -1.
int makeParents(const std::string &base, const std::string &rel) {
    size_t slash = rel.rfind('/');
    if (slash == std::string::npos) return 0;
    if (faulted()) return -1;
    return rliDirCreateChain(base.c_str(), rel.substr(0, slash).c_str(), 0);
}

int syncVolume(const std::string &path) {
    rliFileSyncBegin();
    return rliFileSyncEnd(path.c_str());
}

// Lists the tree below `dir` (links and devices are not followed or listed):
// files and folders as paths relative to `dir`, folders before what they hold.
// `skip` (may be empty) names a folder of the top level left out. Returns
// false when a folder cannot be read (errno set).
bool listTree(const std::string &dir, const std::string &rel, const std::string &skip, std::vector<std::string> *files,
              std::vector<std::string> *folders) {
    DIR *d = faulted() ? nullptr : opendir(join(dir, rel).c_str());
    if (!d) return false;
    bool ok = true;
    std::vector<std::string> below;
    for (;;) {
        errno = 0;
        struct dirent *ent = readdir(d);
        if (!ent) {
            ok = errno == 0;
            break;
        }
        std::string name = ent->d_name;
        if (name == "." || name == ".." || (rel.empty() && name == skip)) continue;
        std::string sub = rel.empty() ? name : rel + "/" + name;
        struct stat st;
        if (lstat(join(dir, sub).c_str(), &st) != 0) {
            ok = false;
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            if (folders) folders->push_back(sub);
            below.push_back(sub);
        } else if (S_ISREG(st.st_mode) && files) {
            files->push_back(sub);
        }
    }
    closedir(d);
    for (const auto &sub : below)
        if (ok) ok = listTree(dir, sub, skip, files, folders);
    return ok;
}

// Removes `path` and everything below it. Returns 0, or -1 (what is left stays).
int removeTree(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : -1;
    if (!S_ISDIR(st.st_mode)) return fsRemove(path, false);
    std::vector<std::string> files, folders;
    if (!listTree(path, "", "", &files, &folders)) return -1;
    for (const auto &f : files)
        if (fsRemove(join(path, f), false) != 0) return -1;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (fsRemove(join(path, *it), true) != 0) return -1;
    return fsRemove(path, true);
}

// Whether the clean-up of a restore takes this file (the four card extensions).
bool isCardFile(const std::string &name) {
    char ext[kRliPathMax];
    if (rliStringSplitpathA(nullptr, nullptr, nullptr, ext, name.c_str()) != 0) return false;
    return rliStrCaseCmp(ext, ".kvb") == 0 || rliStrCaseCmp(ext, ".aif") == 0 || rliStrCaseCmp(ext, ".aiff") == 0 ||
           rliStrCaseCmp(ext, ".wav") == 0;
}

// --- The journal of a restore -----------------------------------------------------------

// Names in the journal are kept one a line: "%", line breaks and other
// control bytes are written as "%XX".
std::string escapeName(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool unescapeName(const std::string &s, std::string *out) {
    out->clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            *out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return false;
        char hex[3] = {s[i + 1], s[i + 2], 0};
        char *end = nullptr;
        long v = std::strtol(hex, &end, 16);
        if (end != hex + 2) return false;
        *out += static_cast<char>(v);
        i += 2;
    }
    return !out->empty();
}

enum class Phase { Aside, Place, Undo, Done };

const char *phaseName(Phase p) {
    switch (p) {
    case Phase::Aside: return "aside";
    case Phase::Place: return "place";
    case Phase::Undo: return "undo";
    case Phase::Done: return "done";
    }
    return "";
}

// What a restore is about to do to the card, written before its first rename.
struct sJournal {
    Phase phase = Phase::Aside;
    std::vector<std::string> files;    // every file the backup brings, below the maker folder
    std::vector<std::string> folders;  // folders the card lacked, parents first
};

// Paths of one restore on one card.
struct sRestorePaths {
    std::string maker;    // "root/Korvan"
    std::string staging;  // ".../Korvan/.kvbrt-restore"
    std::string staged;   // ".../new"
    std::string aside;    // ".../old"
    std::string journal;  // ".../journal"
};

sRestorePaths restorePaths(const std::string &maker) {
    sRestorePaths p;
    p.maker = maker;
    p.staging = join(maker, cBACKUP_STAGING_NAME);
    p.staged = join(p.staging, kStagedDir);
    p.aside = join(p.staging, kAsideDir);
    p.journal = join(p.staging, kJournal);
    return p;
}

// Removes a staging folder, its journal last: cut off midway, it still says
// what the folder is. Returns 0 or -1.
int removeStaging(const sRestorePaths &p) {
    if (removeTree(p.aside) != 0 || removeTree(p.staged) != 0) return -1;
    if (exists(p.journal) && fsRemove(p.journal, false) != 0) return -1;
    return removeTree(p.staging);
}

int writeJournal(const sRestorePaths &p, const sJournal &j) {
    std::string text = std::string(kJournalMagic) + "\nphase " + phaseName(j.phase) + "\n";
    for (const auto &d : j.folders) text += "dir " + escapeName(d) + "\n";
    for (const auto &f : j.files) text += "file " + escapeName(f) + "\n";
    // What the journal says must never be ahead of the renames it follows.
    if (syncVolume(p.maker) != 0) return -1;
    return rliFileWriteAll(p.journal.c_str(), text.data(), text.size());
}

// Reads the journal. Returns 1 when read, 0 when there is none, -1 when damaged.
int readJournal(const sRestorePaths &p, sJournal *j) {
    if (!exists(p.journal)) return 0;
    _sRliFile *f = rliFileOpenA(p.journal.c_str(), cRLIFILE_MODE_READ_BINARY, -1);
    if (!f) return -1;
    std::string text(reinterpret_cast<const char *>(rliFileGetDataAddr(f)), rliFileGetDataSize(f));
    rliFileAbort(f);
    size_t at = 0;
    auto nextLine = [&](std::string *line) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) return false;
        *line = text.substr(at, nl - at);
        at = nl + 1;
        return true;
    };
    std::string line;
    if (!nextLine(&line) || line != kJournalMagic || !nextLine(&line) || line.rfind("phase ", 0) != 0) return -1;
    std::string phase = line.substr(6);
    bool known = false;
    for (Phase ph : {Phase::Aside, Phase::Place, Phase::Undo, Phase::Done})
        if (phase == phaseName(ph)) {
            j->phase = ph;
            known = true;
        }
    if (!known) return -1;
    while (nextLine(&line)) {
        std::string name;
        if (line.rfind("dir ", 0) == 0 && unescapeName(line.substr(4), &name))
            j->folders.push_back(name);
        else if (line.rfind("file ", 0) == 0 && unescapeName(line.substr(5), &name))
            j->files.push_back(name);
        else
            return -1;
    }
    return at == text.size() ? 1 : -1;
}

// --- The rename phases -------------------------------------------------------------------

// Moves aside every card file the restore replaces or removes: the four
// extensions anywhere below the maker folder (hidden folders too, the staging
// folder never), and any file at a path the backup brings. Repeating it after
// an interruption moves what is left. Returns 0, or -1 with `why` set.
int moveAside(const sRestorePaths &p, const sJournal &j, std::string *why) {
    std::vector<std::string> files;
    if (!listTree(p.maker, "", cBACKUP_STAGING_NAME, &files, nullptr)) {
        *why = "cannot list " + p.maker + ": " + reason(errno);
        return -1;
    }
    std::vector<std::string> brought(j.files);
    std::sort(brought.begin(), brought.end());
    for (const auto &f : files) {
        size_t slash = f.rfind('/');
        std::string name = slash == std::string::npos ? f : f.substr(slash + 1);
        if (!isCardFile(name) && !std::binary_search(brought.begin(), brought.end(), f)) continue;
        if (makeParents(p.staging, join(kAsideDir, f)) != 0 || fsRename(join(p.maker, f), join(p.aside, f)) != 0) {
            *why = "cannot move " + join(p.maker, f) + " aside: " + reason(errno);
            return -1;
        }
    }
    return 0;
}

// Makes the folders the card lacked and renames every staged file into place;
// repeating it after an interruption places what is left. Returns 0 or -1.
int placeStaged(const sRestorePaths &p, const sJournal &j, std::string *why) {
    for (const auto &d : j.folders) {
        std::string path = join(p.maker, d);
        struct stat st;
        if (exists(path, &st) && S_ISDIR(st.st_mode)) continue;
        if (faulted() || rliDirCreate(path.c_str()) != 0) {
            *why = "cannot create the folder " + path + ": " + reason(errno);
            return -1;
        }
    }
    size_t done = 0;
    for (const auto &f : j.files) {
        std::string from = join(p.staged, f);
        if (exists(from) && fsRename(from, join(p.maker, f)) != 0) {
            *why = "cannot put " + join(p.maker, f) + " in place: " + reason(errno);
            return -1;
        }
        ++done;
        barProgress(nullptr, static_cast<float>(kUnpackShare + (1 - kUnpackShare) * done / (j.files.size() + 1)));
    }
    return 0;
}

// Puts the old card back: restored files return to the staging folder, the
// files set aside return to their places, the folders the restore made go.
int rollBack(const sRestorePaths &p, sJournal *j, std::string *why) {
    if (j->phase != Phase::Undo) {
        // From here a finish would mix old and restored files.
        j->phase = Phase::Undo;
        if (writeJournal(p, *j) != 0) {
            *why = "cannot write " + p.journal + ": " + reason(errno);
            return -1;
        }
    }
    for (const auto &f : j->files) {
        std::string staged = join(p.staged, f), placed = join(p.maker, f);
        if (exists(staged) || !exists(placed)) continue;
        if (makeParents(p.staging, join(kStagedDir, f)) != 0 || fsRename(placed, staged) != 0) {
            *why = "cannot take " + placed + " back: " + reason(errno);
            return -1;
        }
    }
    std::vector<std::string> aside;
    if (exists(p.aside) && !listTree(p.aside, "", "", &aside, nullptr)) {
        *why = "cannot list " + p.aside + ": " + reason(errno);
        return -1;
    }
    for (const auto &f : aside) {
        if (makeParents(p.maker, f) != 0 || fsRename(join(p.aside, f), join(p.maker, f)) != 0) {
            *why = "cannot put " + join(p.maker, f) + " back: " + reason(errno);
            return -1;
        }
    }
    for (auto it = j->folders.rbegin(); it != j->folders.rend(); ++it) {
        std::string path = join(p.maker, *it);
        if (exists(path) && fsRemove(path, true) != 0 && errno != ENOTEMPTY && errno != EEXIST) {
            *why = "cannot remove the folder " + path + ": " + reason(errno);
            return -1;
        }
    }
    if (syncVolume(p.maker) != 0 || removeStaging(p) != 0) {
        *why = "cannot remove " + p.staging + ": " + reason(errno);
        return -1;
    }
    return 0;
}

// Completes a restore from the phase its journal names.
int finish(const sRestorePaths &p, sJournal *j, std::string *why) {
    if (j->phase == Phase::Aside) {
        if (moveAside(p, *j, why) != 0) return -1;
        j->phase = Phase::Place;
        if (writeJournal(p, *j) != 0) {
            *why = "cannot write " + p.journal + ": " + reason(errno);
            return -1;
        }
    }
    if (j->phase == Phase::Place) {
        if (placeStaged(p, *j, why) != 0) return -1;
        j->phase = Phase::Done;
        if (writeJournal(p, *j) != 0) {
            *why = "cannot write " + p.journal + ": " + reason(errno);
            return -1;
        }
    }
    if (removeStaging(p) != 0 || syncVolume(p.maker) != 0) {
        // The card is restored; only the hidden staging folder is left over.
        *why = "the card is restored, but " + p.staging + " could not be removed: " + reason(errno);
        return 1;
    }
    return 0;
}

// --- Backup ------------------------------------------------------------------------------

struct sCountPass {
    long files;
    char error[kTarErrorMax];
};

// Counts the files a backup of `maker` takes and refuses names the archive
// cannot hold. Returns 0, or -1 with the reason (naming the file) in `pass`.
int countBackup(const std::string &maker, sCountPass *pass) {
    pass->files = 0;
    pass->error[0] = '\0';
    auto visit = [](void *ctx, const char *path, const char *name, const struct stat &) {
        auto *c = static_cast<sCountPass *>(ctx);
        if (std::strlen(name) > kTarNameMax) {
            std::snprintf(c->error, sizeof c->error,
                          "cannot back up %s: its name within the backup (%s) is longer than %zu bytes", path, name,
                          kTarNameMax);
            return false;
        }
        ++c->files;
        return true;
    };
    return tarWalkTree(maker.c_str(), maker.c_str(), visit, pass, pass->error) ? 0 : -1;
}

void resetResult(sBackupResult *r) {
    if (!r) return;
    std::memset(r, 0, sizeof *r);
}

int endWith(sBackupResult *r, int status) {
    if (r) r->status = status;
    return status;
}

}  // namespace

// --- Requests ------------------------------------------------------------------------------

const char *waveBackupExportSetRequest(const char *path) {
    std::snprintf(gExportFilename, sizeof gExportFilename, "%s", path ? path : "");
    return gExportFilename;
}

const char *waveBackupImportSetRequest(const char *path) {
    std::snprintf(gImportFilename, sizeof gImportFilename, "%s", path ? path : "");
    return gImportFilename;
}

void waveBackupExportSetCancel(void) { gExportCancel.store(1); }
int waveBackupExportGetCancel(void) { return gExportCancel.load(); }
void waveBackupImportSetCancel(void) { gImportCancel.store(1); }
int waveBackupImportGetCancel(void) { return gImportCancel.load(); }

void waveBackupSetFreeSpaceProbe(uint64_t (*probe)(const char *path)) { gFreeSpaceProbe = probe; }

// --- Backup ------------------------------------------------------------------------------

int waveBackupExpectedFiles(const sWaveList *list) {
    if (!list) return 5;
    return 2 * waveListWaveCount(list) + waveListKitFileCount(list) + 5;
}

namespace {

// The category list and the three wave list files as `list` makes them now
// (views sorted, category order keys closed up), each with its name in SYSTEM.
std::vector<std::pair<std::string, std::string>> listTexts(sWaveList *list) {
    waveListSortItAll(list);
    // Close the gaps in the category order keys, keeping the order shown.
    int key = 0;
    for (auto *it = static_cast<sListItem *>(list->tagOrder.last); it; it = it->prev)
        waveTagOrder(static_cast<sTag *>(it->item), key++);
    std::vector<std::pair<std::string, std::string>> texts{{cSTORAGE_FILE_TAG_LIST, waveFileTagListText(&list->tags)}};
    for (int i = 0; i < kStorageWaveListFiles; ++i) texts.emplace_back(cSTORAGE_FILE_WAVE_LISTS[i], waveListListFileText(list, i));
    return texts;
}

}  // namespace

int waveBackupWriteLists(sWaveList *list, std::vector<sTarReplacement> *stale) {
    if (!list || !list->card) {
        errno = EINVAL;
        return -1;
    }
    // Lists made from a library without the card's categories would replace
    // the card's own: the card is archived as it is.
    if (wstorageTagListUnreadable(list->storage)) return 0;
    char system[kRliPathMax];
    if (cardPath(list->card, system, sizeof system, cSTORAGE_DIR_SYSTEM) != 0) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int result = 0, err = 0;
    for (auto &[name, text] : listTexts(list)) {
        std::string path = std::string(system) + name;
        // A current file is left alone: a write-protected card stays as it is.
        if (waveListFileHolds(path.c_str(), text)) continue;
        if (result == 0 && cardMakeDir(list->card, cSTORAGE_DIR_SYSTEM) == 0 &&
            rliFileWriteAll(path.c_str(), text.data(), text.size()) == 0)
            continue;
        if (result == 0) err = errno;
        result = -1;
        // Names within the backup start below the maker folder ("/KVB-RT/SYSTEM/...").
        if (stale) stale->push_back({std::string(cSTORAGE_DIR_SYSTEM).substr(std::strlen("Korvan")) + name, std::move(text)});
    }
    errno = err;
    return result;
}

int waveBackupSave(sWaveList *list, const char *folder, int confirmed, sBackupResult *result) {
    sBackupResult local;
    sBackupResult *r = result ? result : &local;
    resetResult(r);
    const char *root = list && list->card ? cardRoot(list->card) : nullptr;
    if (!root || rliStorageExist(root) != 0) {
        setResultError(r, std::string(root ? root : "(none)") + ": the card can no longer be found");
        editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, 0);
        return endWith(r, BACKUP_FAILED);
    }
    std::string maker = makerPath(root);
    struct stat st;
    if (maker.empty() || stat(maker.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        setResultError(r, join(root, "Korvan") + ": the card has no Korvan folder to back up");
        showError(DNASTR_ERR_BACKUP_FAILED, r->error);
        return endWith(r, BACKUP_FAILED);
    }
    std::string path = join(folder ? folder : "", cBACKUP_FILE_NAME);
    if (path.size() >= kBackupPathMax) {
        setResultError(r, path + ": the path is too long");
        showError(DNASTR_ERR_BACKUP_FAILED, r->error);
        return endWith(r, BACKUP_FAILED);
    }
    std::snprintf(r->path, sizeof r->path, "%s", path.c_str());
    // Refused before anything is written: the device never makes such a name.
    sCountPass count;
    if (countBackup(maker, &count) != 0) {
        setResultError(r, count.error);
        showError(DNASTR_ERR_BACKUP_FAILED, r->error);
        return endWith(r, BACKUP_FAILED);
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        if (!confirmed &&
            editProgressBarMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_OVERWRITE_BACKUP, MBOX_KIND_YES_NO) != MBOX_YES)
            return endWith(r, BACKUP_DECLINED);
    }
    // A card that cannot be written is still backed up whole: its stale lists
    // are archived as the library makes them, and the result says so.
    std::vector<sTarReplacement> stale;
    if (waveBackupWriteLists(list, &stale) != 0)
        std::snprintf(r->note, sizeof r->note,
                      "%s: the category and wave lists could not be brought up to date (%s); the backup holds them as "
                      "the library makes them, in place of the card's",
                      join(maker, "KVB-RT/SYSTEM").c_str(), reason(errno).c_str());
    waveBackupExportSetRequest(path.c_str());
    return waveBackupExportCalc(root, waveBackupExpectedFiles(list), r, &stale);
}

int waveBackupExportCalc(const char *root, int total, sBackupResult *result, const std::vector<sTarReplacement> *replace) {
    sBackupResult local;
    sBackupResult *r = result ? result : &local;
    if (!gExportFilename[0]) return endWith(r, BACKUP_DONE);
    std::snprintf(r->path, sizeof r->path, "%s", gExportFilename);
    gExportCancel.store(0);
    sBackupJob job{root, gExportFilename, total > 0 ? total : 1, 0, r, replace};
    r->status = BACKUP_FAILED;
    if (editProgressBarRun(waveBackupSaveThreadFunc, &job, [](void *) { waveBackupExportSetCancel(); }, 0,
                           dnaStrGetUtf8Ptr(DNASTR_PROGRESS_BACKUP), nullptr) != 0)
        setResultError(r, "cannot start the backup job");
    gExportFilename[0] = '\0';
    return r->status;
}

int waveBackupSaveThreadFunc(void *arg) {
    auto *job = static_cast<sBackupJob *>(arg);
    sBackupResult *r = job->result;
    const char *archive = job->archive.c_str();
    std::string maker = makerPath(job->root);
    sTarHooks hooks{barProgress, nullptr, &gExportCancel};
    char error[kTarErrorMax] = "";
    int saved = tarBackupSave(archive, maker.c_str(), job->total, &hooks, error, sizeof error, job->replace);
    r->files = gnWriteFile;
    if (saved == 0) {
        r->status = BACKUP_DONE;
        struct stat st;
        if (stat(archive, &st) == 0) r->bytes = static_cast<uint64_t>(st.st_size);
    } else if (saved == -2) {
        r->status = BACKUP_CANCELLED;
        setResultError(r, "the backup was cancelled; " + job->archive + " was left as it was");
    } else {
        r->status = BACKUP_FAILED;
        setResultError(r, error);
        showError(DNASTR_ERR_BACKUP_FAILED, error);
    }
    return 1;
}

// --- Restore --------------------------------------------------------------------------------

int storageFileDelete(const char *dir) {
    std::vector<std::string> files;
    int result = listTree(dir, "", cBACKUP_STAGING_NAME, &files, nullptr) ? 0 : -1;
    for (const auto &f : files) {
        size_t slash = f.rfind('/');
        if (!isCardFile(slash == std::string::npos ? f : f.substr(slash + 1))) continue;
        if (fsRemove(join(dir, f), false) != 0) result = -1;
    }
    return result;
}

int waveBackupRestore(const char *root, const char *archivePath, unsigned flags, sBackupResult *result) {
    sBackupResult local;
    sBackupResult *r = result ? result : &local;
    resetResult(r);
    if (!root || rliStorageExist(root) != 0) {
        setResultError(r, std::string(root ? root : "(none)") + ": the card can no longer be found");
        editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, 0);
        return endWith(r, BACKUP_FAILED);
    }
    std::snprintf(r->path, sizeof r->path, "%s", archivePath ? archivePath : "");
    int fd = archivePath ? open(archivePath, O_RDONLY | O_CLOEXEC) : -1;
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = fd < 0 ? errno : EISDIR;
        if (fd >= 0) close(fd);
        setResultError(r, std::string(r->path) + ": no backup can be read there: " + reason(err));
        editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NO_BACKUP, 0);
        return endWith(r, BACKUP_FAILED);
    }
    close(fd);
    if (!(flags & RESTORE_CONFIRMED) && editProgressBarMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_RESTORE, MBOX_KIND_YES_NO) != MBOX_YES)
        return endWith(r, BACKUP_DECLINED);
    waveBackupImportSetRequest(archivePath);
    return waveBackupImportCalc(root, flags, r);
}

int waveBackupImportCalc(const char *root, unsigned flags, sBackupResult *result) {
    sBackupResult local;
    sBackupResult *r = result ? result : &local;
    if (!gImportFilename[0]) return endWith(r, BACKUP_DONE);
    std::snprintf(r->path, sizeof r->path, "%s", gImportFilename);
    gImportCancel.store(0);
    sBackupJob job{root, gImportFilename, 0, flags, r, nullptr};
    r->status = BACKUP_FAILED;
    if (editProgressBarRun(waveBackupRestoreThreadFunc, &job, [](void *) { waveBackupImportSetCancel(); }, 0,
                           dnaStrGetUtf8Ptr(DNASTR_PROGRESS_RESTORE), nullptr) != 0)
        setResultError(r, "cannot start the restore job");
    gImportFilename[0] = '\0';
    return r->status;
}

namespace {

// Restores in place: the old card files are removed first (the archive and
// the card's paths were checked already). Returns BACKUP_*.
int restoreInPlace(const sRestorePaths &p, const char *archive, sBackupResult *r) {
    r->inPlace = 1;
    if (storageFileDelete(p.maker.c_str()) != 0) {
        setResultError(r, "cannot remove the old files below " + p.maker + ": " + reason(errno) +
                              "; some of them are gone and the backup was not unpacked");
        return BACKUP_FAILED;
    }
    CFileTarExtract x;
    x.SetHooks(sTarHooks{barProgress, nullptr, &gImportCancel});
    if (x.Extract(p.maker.c_str(), archive) != 1) {
        setResultError(r, std::string(x.GetError()) + "; the card's old files had already been removed");
        return x.IsCancelled() ? BACKUP_CANCELLED : BACKUP_FAILED;
    }
    return BACKUP_DONE;
}

// Whether the staging copy fits beside the card's files: its peak is the
// unpacked backup, each file and folder taking at most one more block of the
// card's own size, and the journal (the files are then renamed, not copied).
bool roomToStage(const std::string &path, const sTarVerifyInfo &info, uint64_t *need, uint64_t *free) {
    struct statvfs vfs;
    uint64_t block = statvfs(path.c_str(), &vfs) == 0 && vfs.f_frsize > 0 ? vfs.f_frsize : 32768;
    *need = info.bytes + static_cast<uint64_t>(info.files + info.folders + 16) * block;
    *free = gFreeSpaceProbe ? gFreeSpaceProbe(path.c_str()) : rliStorageDiskFreeSize(path.c_str());
    return *free == UINT64_MAX || *free >= *need;
}

// The bytes of the card's files an in-place restore removes before unpacking.
uint64_t cardFileBytes(const std::string &maker) {
    std::vector<std::string> files;
    listTree(maker.c_str(), "", cBACKUP_STAGING_NAME, &files, nullptr);
    uint64_t bytes = 0;
    for (const auto &f : files) {
        size_t slash = f.rfind('/');
        struct stat st;
        if (isCardFile(slash == std::string::npos ? f : f.substr(slash + 1)) && lstat(join(maker, f).c_str(), &st) == 0)
            bytes += static_cast<uint64_t>(st.st_size);
    }
    return bytes;
}

// Unpacks into the staging folder, checks the card's paths and replaces the
// card's files. Returns BACKUP_*.
int restoreStaged(const sRestorePaths &p, const char *archive, sBackupResult *r) {
    if (rliDirCreateChain(p.maker.c_str(), cBACKUP_STAGING_NAME, 0) != 0) {
        setResultError(r, "cannot create the staging folder " + p.staging + ": " + reason(errno));
        return BACKUP_FAILED;
    }
    auto dropStaging = [&](int status) {
        removeTree(p.staging);
        return status;
    };
    CFileTarExtract x;
    x.SetHooks(sTarHooks{unpackProgress, nullptr, &gImportCancel});
    if (x.Extract(p.staged.c_str(), archive) != 1) {
        setResultError(r, x.GetError());
        return dropStaging(x.IsCancelled() ? BACKUP_CANCELLED : BACKUP_FAILED);
    }
    sJournal j;
    std::vector<std::string> folders;
    if (exists(p.staged) && !listTree(p.staged, "", "", &j.files, &folders)) {
        setResultError(r, "cannot list the staging folder " + p.staged + ": " + reason(errno));
        return dropStaging(BACKUP_FAILED);
    }
    // The card may hold a link, or a file where the backup has a folder: refused
    // while the card is still untouched.
    char where[kRliPathMax];
    for (const auto *list : {&folders, &j.files}) {
        for (const auto &rel : *list) {
            if (const char *why = tarCheckTarget(p.maker.c_str(), rel.c_str(), list == &folders, where, sizeof where)) {
                setResultError(r, "the backup's " + rel + " " + why + " (" + where + ")");
                return dropStaging(BACKUP_FAILED);
            }
        }
    }
    for (const auto *list : {&folders, &j.files}) {
        for (const auto &rel : *list) {
            std::string top = rel.substr(0, rel.find('/'));
            if (rliStrCaseCmp(top.c_str(), cBACKUP_STAGING_NAME) == 0) {
                setResultError(r, "the backup's " + rel + " uses the name of the restore's own staging folder");
                return dropStaging(BACKUP_FAILED);
            }
        }
    }
    for (const auto &d : folders)
        if (!exists(join(p.maker, d))) j.folders.push_back(d);
    if (gImportCancel.load()) {
        setResultError(r, "the restore was cancelled");
        return dropStaging(BACKUP_CANCELLED);
    }
    if (writeJournal(p, j) != 0) {
        setResultError(r, "cannot write " + p.journal + ": " + reason(errno));
        return dropStaging(BACKUP_FAILED);
    }
    std::string why;
    int done = finish(p, &j, &why);
    if (done >= 0) {
        if (done > 0) setResultError(r, why);
        return BACKUP_DONE;
    }
    setResultError(r, why);
    std::string undoWhy;
    if (rollBack(p, &j, &undoWhy) != 0) {
        std::snprintf(r->error + std::strlen(r->error), sizeof r->error - std::strlen(r->error),
                      "; rolling back failed too (%s): check the card to finish or roll back the restore",
                      undoWhy.c_str());
        return BACKUP_PENDING;
    }
    std::snprintf(r->error + std::strlen(r->error), sizeof r->error - std::strlen(r->error),
                  "; the card's old files were put back");
    return BACKUP_FAILED;
}

}  // namespace

int waveBackupRestoreThreadFunc(void *arg) {
    auto *job = static_cast<sBackupJob *>(arg);
    sBackupResult *r = job->result;
    const char *archive = job->archive.c_str();
    std::string maker = makerPath(job->root);
    if (maker.empty()) {
        setResultError(r, std::string(job->root) + ": the path is too long");
        r->status = BACKUP_FAILED;
        return 1;
    }
    sRestorePaths p = restorePaths(maker);
    auto end = [&](int status) {
        r->status = status;
        if (status == BACKUP_FAILED || status == BACKUP_PENDING) showError(DNASTR_ERR_RESTORE_FAILED, r->error);
        return 1;
    };
    // What an earlier, interrupted restore left is undone first.
    char detail[kBackupErrorMax];
    if (restoreRecover(job->root, RESTORE_RECOVER_ROLLBACK, detail, sizeof detail) < 0) {
        setResultError(r, std::string("an earlier restore was interrupted and cannot be rolled back: ") + detail);
        return end(BACKUP_FAILED);
    }
    // Nothing is touched before the whole archive is known to be sound and
    // every name in it safe on this card.
    sTarVerifyInfo info;
    bool haveMaker = exists(maker);
    if (tarVerifyFile(archive, haveMaker ? maker.c_str() : nullptr, &info) != 0) {
        setResultError(r, std::string(archive) + ": " + info.error + "; the card was not changed");
        return end(BACKUP_FAILED);
    }
    r->files = info.files;
    r->bytes = info.bytes;
    uint64_t need = 0, free = 0;
    bool inPlace = (job->flags & RESTORE_IN_PLACE) != 0;
    bool stageFits = roomToStage(haveMaker ? maker : std::string(job->root), info, &need, &free);
    // In place the old files go first: a backup that would not fit even then
    // is refused while the card is still whole.
    uint64_t freed = !stageFits && haveMaker && free != UINT64_MAX ? cardFileBytes(maker) : 0;
    if (!stageFits && free != UINT64_MAX && free + freed < info.bytes) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "the card has no room for the backup even with its old files removed (%llu bytes needed, %llu "
                      "free, %llu in the old files); the card was not changed",
                      static_cast<unsigned long long>(info.bytes), static_cast<unsigned long long>(free),
                      static_cast<unsigned long long>(freed));
        r->noRoom = 2;
        setResultError(r, text);
        return end(BACKUP_FAILED);
    }
    if (!inPlace && !stageFits) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "the card has no room to unpack the backup beside its files (%llu bytes needed, %llu free)",
                      static_cast<unsigned long long>(need), static_cast<unsigned long long>(free));
        r->noRoom = 1;
        if (job->flags & RESTORE_IN_PLACE_REFUSED) {
            setResultError(r, text);
            return end(BACKUP_FAILED);
        }
        if (!(job->flags & RESTORE_IN_PLACE_CONFIRMED) &&
            editProgressBarMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_RESTORE_IN_PLACE, MBOX_KIND_YES_NO) != MBOX_YES) {
            setResultError(r, std::string(text) + "; the card was not changed");
            r->status = BACKUP_DECLINED;
            return 1;
        }
        inPlace = true;
    }
    bool madeMaker = false;
    if (!haveMaker) {
        // Only the maker folder itself, inside the card's root.
        size_t slash = maker.rfind('/');
        if (rliDirCreateChain(maker.substr(0, slash + 1).c_str(), maker.substr(slash + 1).c_str(), 0) != 0) {
            setResultError(r, "cannot create " + maker + ": " + reason(errno));
            return end(BACKUP_FAILED);
        }
        madeMaker = true;
    }
    int status = inPlace ? restoreInPlace(p, archive, r) : restoreStaged(p, archive, r);
    // A new card set up from a backup that did not come through is left as it was.
    if (madeMaker && status != BACKUP_DONE && status != BACKUP_PENDING && !inPlace) rmdir(maker.c_str());
    barProgress(nullptr, 1.0f);
    return end(status);
}

// --- Recovering ------------------------------------------------------------------------------

int restoreRecoverState(const char *root, char *detail, size_t cap) {
    auto say = [&](int state, const std::string &text) {
        if (detail && cap) std::snprintf(detail, cap, "%s", text.c_str());
        return state;
    };
    std::string maker = root ? makerPath(root) : "";
    if (maker.empty()) return say(RESTORE_STATE_NONE, "");
    sRestorePaths p = restorePaths(maker);
    struct stat st;
    if (lstat(p.staging.c_str(), &st) != 0) return say(RESTORE_STATE_NONE, "");
    if (!S_ISDIR(st.st_mode)) return say(RESTORE_STATE_DAMAGED, p.staging + " is not a folder; it was left alone");
    sJournal j;
    int got = readJournal(p, &j);
    if (got < 0) return say(RESTORE_STATE_DAMAGED, p.journal + " cannot be read; the staging folder was left alone");
    if (got == 0)
        return say(RESTORE_STATE_STAGING,
                   "a restore was cut off while unpacking into " + p.staging + "; the card was not changed");
    size_t staged = 0;
    for (const auto &f : j.files)
        if (exists(join(p.staged, f))) ++staged;
    std::vector<std::string> aside;
    if (exists(p.aside)) listTree(p.aside, "", "", &aside, nullptr);
    std::string counts = std::to_string(staged) + " of " + std::to_string(j.files.size()) +
                         " restored files still staged, " + std::to_string(aside.size()) + " old files set aside in " +
                         p.staging;
    switch (j.phase) {
    case Phase::Aside: return say(RESTORE_STATE_ASIDE, "a restore was cut off moving old files aside: " + counts);
    case Phase::Place: return say(RESTORE_STATE_PLACE, "a restore was cut off placing restored files: " + counts);
    case Phase::Undo: return say(RESTORE_STATE_UNDO, "a restore was cut off rolling back: " + counts);
    case Phase::Done: return say(RESTORE_STATE_DONE, "a restore is complete; " + p.staging + " is left over");
    }
    return say(RESTORE_STATE_DAMAGED, "");
}

int restoreRecover(const char *root, int apply, char *detail, size_t cap) {
    int state = restoreRecoverState(root, detail, cap);
    if (apply == RESTORE_RECOVER_REPORT || state == RESTORE_STATE_NONE) return state;
    auto fail = [&](const std::string &why) {
        if (detail && cap) std::snprintf(detail, cap, "%s", why.c_str());
        return -1;
    };
    if (state == RESTORE_STATE_DAMAGED) return -1;
    sRestorePaths p = restorePaths(makerPath(root));
    if (state == RESTORE_STATE_STAGING) {
        if (removeTree(p.staging) != 0) return fail("cannot remove " + p.staging + ": " + reason(errno));
        return state;
    }
    sJournal j;
    if (readJournal(p, &j) != 1) return fail("cannot read " + p.journal);
    std::string why;
    bool forward = state == RESTORE_STATE_DONE ||
                   (apply == RESTORE_RECOVER_FINISH && state != RESTORE_STATE_UNDO);
    if (forward) {
        if (finish(p, &j, &why) != 0) return fail(why);
    } else if (rollBack(p, &j, &why) != 0) {
        return fail(why);
    }
    return state;
}
