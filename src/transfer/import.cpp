// Wave import. See import.h.
#include "transfer/import.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/audio.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "transfer/export.h"
#include "wavelib/card.h"
#include "wavelib/names.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

sListBase gImportFile;

namespace {

std::atomic<int32_t> gbPadAssign{0};
std::atomic<int32_t> gbCancel{0};
// The running copy's place in the job, for its progress callback.
std::atomic<int32_t> gnImport{0};
std::atomic<int32_t> gIdx{0};
waveImportReportFn gReport = nullptr;
void *gReportCtx = nullptr;

// What the import job works on and hands back (made by waveImportCalc).
struct sImportJob {
    sWaveList *list;            // the library the waves join; its card is written
    sListBase *requests;        // sImportRequest, run in order
    bool select;                // each imported wave joins the touched waves
    bool padAssign;             // each imported wave goes to the selected pad
    waveImportReportFn report;  // the per-request report, or null
    void *reportCtx;
    int failed;                 // requests not imported
    bool syncFailed;            // the closing sync of the card failed
};

// Linux and the card hold at most this many tries at a free name or number.
constexpr int kNameTries = 100;

void copyFuncRatio(float ratio) {
    int32_t total = gnImport.load();
    if (total <= 0) return;
    edtiProgressBarSetRatio((static_cast<float>(gIdx.load()) + ratio) / static_cast<float>(total));
    editProgressBarUpdateRequest();
}

// "Korvan/KVB-RT/<folder><rest>" on the card, folders as found on disk.
bool devicePath(const sCard *card, char *out, size_t cap, const char *folder, const char *rest) {
    char relative[kRliPathMax];
    if (std::snprintf(relative, sizeof relative, "%s%s", folder, rest) >= static_cast<int>(sizeof relative)) return false;
    return cardPath(card, out, cap, relative) == 0;
}

bool prmPath(const sCard *card, char *out, size_t cap, int number) {
    char rest[32];
    std::snprintf(rest, sizeof rest, "%02d/%02d.kvb", number / 100, number % 100);
    return devicePath(card, out, cap, cSTORAGE_DIR_WAVE_PRM, rest);
}

bool exists(const char *path) {
    struct stat st;
    return lstat(path, &st) == 0;
}

// One more than the highest number in the library. A parameter file left at
// that number by something the library does not hold (a wave whose audio
// could not be examined) is never replaced: the number after it is taken.
int nextNumber(const sWaveList *list) {
    int number = -1;
    for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next)
        if (w->waveNumber > number) number = w->waveNumber;
    for (++number; number <= kWaveNumberMax; ++number) {
        char prm[kRliPathMax];
        if (!prmPath(list->card, prm, sizeof prm, number) || !exists(prm)) break;
    }
    return number;
}

// A conversion's result in the terms of transferCopyNew.
int fromConvert(int r) { return r == CONVERT_OK ? 0 : r == CONVERT_CANCELLED ? -2 : r == CONVERT_EXISTS ? -3 : -1; }

// Bytes a file of `size` takes on the card at `root`: whole clusters (the
// file system's block size), for the room check.
uint64_t onCard(uint64_t size, const char *root) {
    struct statvfs s;
    uint64_t cluster = root && statvfs(root, &s) == 0 && s.f_bsize > 0 ? s.f_bsize : 1;
    return (size + cluster - 1) / cluster * cluster;
}

// Copies `src` (or, given `converted`, writes its conversion) into the
// wave's data folder under a clash-free name, which the wave keeps. A name
// the cache did not know is taken (a file made meanwhile, a folder) joins the
// cache and the rule is asked again.
int copyIn(sWaveList *list, sWave *wave, const char *src, char *dst, size_t cap, rliCopyProgressFn progress,
           const std::atomic<int32_t> *cancel, sConvertResult *converted) {
    for (int tries = 0; tries < kNameTries; ++tries) {
        char name[kWaveFileNameLen + 1];
        waveSameNameFilename(list, wave, name);
        waveWaveFilename(wave, name);
        // Made from a base name and an audio extension, so always a plain name;
        // checked all the same, since the path came from outside.
        if (!name[0] || std::strchr(name, '/') || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            return IMPORT_BAD_PATH;
        char rest[64];
        std::snprintf(rest, sizeof rest, "%s/%s", wave->dataFolder, name);
        if (!devicePath(list->card, dst, cap, cSTORAGE_DIR_WAVE_DATA, rest)) return IMPORT_COPY_FAILED;
        int r = converted ? fromConvert(convertToFile(src, dst, progress, cancel, converted))
                          : transferCopyNew(src, dst, progress, true);
        if (r == 0) return IMPORT_OK;
        if (r == -2) return IMPORT_CANCELLED;
        if (r != -3) return IMPORT_COPY_FAILED;
        if (waveStorageAddWaveFile(wave, 0) != 0) return IMPORT_NO_MEMORY;
    }
    return IMPORT_COPY_FAILED;
}

// Why the last file of this thread was not imported, in words.
thread_local std::string tWhy;

int refused(int result, const std::string &why) {
    tWhy = why;
    return result;
}

// `what`, with the system's reason when a call left one in errno.
std::string systemReason(const std::string &what) {
    return errno ? what + ": " + std::strerror(errno) : what;
}

void report(sImportJob *job, const char *path, int result, const sWave *wave, const char *why,
            const sConvertResult *how = nullptr) {
    if (result != IMPORT_OK) ++job->failed;
    if (job->report)
        job->report(path, result, wave, result == IMPORT_OK ? how : nullptr, result == IMPORT_OK ? "" : why,
                    job->reportCtx);
}

// The imported wave goes to the selected pad (or its sub-wave slot) of the
// selected kit, which then must be written.
void padAssign(const sWave *wave) {
    sKit *kit = waveKitSelectPtr();
    sPad *pad = wavePadSelectPtr();
    if (!kit || !pad) return;
    if (wavePadSelectSub()) wavePadSubWaveNumber(pad, wave->waveNumber);
    else wavePadWaveNumber(pad, wave->waveNumber);
    waveKitIsFile(kit, 1);
    waveKitEdit(kit);
    waveKitSaveRequest();
}

}  // namespace

// --- Requests -----------------------------------------------------------------------

int waveImportSetRequest(int category, const char *path) { return waveImportSetRequestEx(category, path, 0); }

int waveImportSetRequestEx(int category, const char *path, uint32_t flags) {
    return waveImportSetRequestNamed(category, path, flags, nullptr);
}

int waveImportSetRequestNamed(int category, const char *path, uint32_t flags, const char *name) {
    if (!path || !path[0]) return -1;
    auto *r = static_cast<sImportRequest *>(memCalloc(sizeof(sImportRequest), "ImFile"));
    if (!r) return -1;
    size_t len = std::strlen(path);
    r->path = static_cast<char *>(memMalloc(len + 1, "fnLen"));
    if (!r->path) {
        memFree(r);
        return -1;
    }
    std::memcpy(r->path, path, len + 1);
    r->category = category;
    r->flags = flags;
    if (name) std::snprintf(r->name, sizeof r->name, "%s", name);
    rliListAddTail(&gImportFile, r);
    return 0;
}

void waveImportSetRequestCancel(void) {
    while (auto *r = static_cast<sImportRequest *>(gImportFile.first)) {
        rliListRemLink(&gImportFile, r);
        memFree(r->path);
        memFree(r);
    }
}

void waveImportSetPadAssign(void) { gbPadAssign = 1; }

// --- Running ---------------------------------------------------------------------------

void waveImportSetReport(waveImportReportFn fn, void *ctx) {
    gReport = fn;
    gReportCtx = ctx;
}

void waveImportSetCancel(void) {
    gbCancel = 1;
    rliFileCopyAsyncSetCancel();
}

int importThreadFunc(void *arg) {
    auto *job = static_cast<sImportJob *>(arg);
    sWaveList *list = job->list;
    int count = list ? rliListCount(&list->waves) : 0;
    gnImport = rliListCount(job->requests);
    gIdx = 0;
    bool stop = !list;
    rliFileSyncBegin();
    for (auto *r = static_cast<sImportRequest *>(job->requests->first); r; r = r->next) {
        if (stop || gbCancel) {
            report(job, r->path, IMPORT_NOT_RUN, nullptr, gbCancel ? "the import was interrupted before this file"
                                                                    : "the import stopped before this file");
            continue;
        }
        if (count >= kWaveNumberMax + 1) {
            if (!job->report) editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_LIBRARY_FULL, MBOX_KIND_OK);
            report(job, r->path, IMPORT_LIBRARY_FULL, nullptr, "the card holds 10000 waves, as many as it can");
            stop = true;
            continue;
        }
        sWave *wave = nullptr;
        sConvertResult how;
        // A registered report tells the user itself; the boxes would say it twice.
        int result = waveWaveCreateFromImportMbox(&wave, list, r->category, r->path, r->flags,
                                                  job->report ? nullptr : editProgressBarMboxOpenMsg, copyFuncRatio,
                                                  &gbCancel, &how, r->name);
        report(job, r->path, result, wave, tWhy.c_str(), r->flags & IMPORT_CONVERT ? &how : nullptr);
        if (result == IMPORT_NO_NUMBER || result == IMPORT_NO_SPACE || result == IMPORT_CANCELLED) stop = true;
        if (result == IMPORT_OK) {
            if (job->padAssign) padAssign(wave);
            if (job->select) waveListOperationWave(wave);
            ++count;
        }
        ++gIdx;
        edtiProgressBarSetRatio(static_cast<float>(gIdx.load()) / static_cast<float>(gnImport.load()));
        editProgressBarUpdateRequest();
    }
    job->syncFailed = rliFileSyncEnd(cardRoot(list ? list->card : nullptr)) != 0;
    if (list && waveListSortRequest()) {
        waveListSortRequestClear();
        waveListSortItAll(list);
    }
    return 1;
}

int waveImportCalc(sWaveList *list, int select) {
    if (!gImportFile.first) {
        gbPadAssign = 0;
        return 0;
    }
    if (!list || rliStorageExist(cardRoot(list->card)) != 0) {
        editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
        waveImportSetRequestCancel();
        gbPadAssign = 0;
        return -2;
    }
    sImportJob job{list, &gImportFile, select != 0, gbPadAssign != 0, gReport, gReportCtx, 0, false};
    gbCancel = 0;
    int result = -1;
    if (editProgressBarRun(importThreadFunc, &job, [](void *) { waveImportSetCancel(); }, 0,
                           dnaStrGetUtf8Ptr(DNASTR_PROGRESS_IMPORT), nullptr) == 0)
        result = job.syncFailed ? -3 : job.failed;
    waveImportSetRequestCancel();
    gbPadAssign = 0;
    return result;
}

// --- One file ------------------------------------------------------------------------------

int waveWaveCreateFromImport(sWave **out, sWaveList *list, int category, const char *path,
                             rliCopyProgressFn progress) {
    return waveWaveCreateFromImportEx(out, list, category, path, 0, progress, nullptr, nullptr);
}

int waveWaveCreateFromImportEx(sWave **out, sWaveList *list, int category, const char *path, uint32_t flags,
                               rliCopyProgressFn progress, const std::atomic<int32_t> *cancel, sConvertResult *how,
                               const char *given) {
    tWhy.clear();
    if (out) *out = nullptr;
    if (how) *how = sConvertResult{};
    if (!out || !list) return refused(IMPORT_NO_MEMORY, "out of memory");
    char dir[kRliPathMax], base[kRliPathMax], ext[kRliPathMax];
    if (!path || rliStringSplitpathA(nullptr, dir, base, ext, path) != 0 || !base[0])
        return refused(IMPORT_BAD_PATH, "not the path of a file");
    char name[kWaveNameLen + 1];
    if (given && given[0]) waveNameMake(name, kWaveNameLen, given);
    else waveNameFromFile(name, base);

    // Only a regular file is opened (a pipe would block); without a conversion
    // only one the device plays, which excludes compressed AIFF-C.
    char why[256];
    int checked = audioCheckFile(path, why, sizeof why);
    if (checked == AUDIO_MISSING || checked == AUDIO_UNREADABLE) return refused(IMPORT_NO_SIZE, why);
    if (checked == AUDIO_NOT_FILE || checked == AUDIO_EMPTY) return refused(IMPORT_BAD_FORMAT, why);
    struct stat st;
    if (stat(path, &st) != 0) return refused(IMPORT_NO_SIZE, systemReason("cannot be read"));
    bool playable = checked == AUDIO_OK;
    sConvertResult conversion{};
    bool convert = false;
    if (flags & IMPORT_CONVERT) {
        // What the header reader takes but libsndfile cannot read is copied
        // as it always was.
        int probed = convertProbe(path, &conversion.info);
        if (probed != CONVERT_OK && !playable) return refused(IMPORT_BAD_FORMAT, why);
        convert = probed == CONVERT_OK && conversion.info.kind != CONVERT_COPY;
    } else if (!playable) {
        sConvertInfo info;
        if (convertProbe(path, &info) == CONVERT_OK)
            return refused(IMPORT_NEEDS_CONVERT, std::string(why) + "; --convert would take it");
        return refused(IMPORT_BAD_FORMAT, why);
    }
    uint64_t size = convert ? conversion.info.size : static_cast<uint64_t>(st.st_size);

    // A missing category is found before anything is written, so the file
    // leaves no trace on the card.
    auto *tag = category >= 0 ? static_cast<sTag *>(rliListFindLink(&list->tags, category)) : nullptr;
    if (!tag) return refused(IMPORT_NO_CATEGORY, "the category does not exist");

    int number = nextNumber(list);
    if (number > kWaveNumberMax) return refused(IMPORT_NO_NUMBER, "no wave number is left after 9999");
    const char *root = cardRoot(list->card);
    uint64_t need = onCard(size, root);
    if (need > rliStorageDiskFreeSize(root)) return refused(IMPORT_NO_SPACE, "larger than the free space of the card");

    auto *wave = static_cast<sWave *>(memCalloc(sizeof(sWave), "Wave"));
    if (!wave) return refused(IMPORT_NO_MEMORY, "out of memory");
    waveWaveWaveNumber(list, wave, number, 1);
    waveWaveName(wave, name);
    char fileName[kWaveFileNameLen + 1];
    waveFileNameMake(fileName, name, convert ? ".wav" : ext);
    waveWaveFilename(wave, fileName);
    waveWaveIsNew(wave, 1);

    char folder[16], prm[kRliPathMax], dst[kRliPathMax];
    std::snprintf(folder, sizeof folder, "%02d/", number / 100);
    int result = IMPORT_COPY_FAILED;
    errno = 0;
    if (prmPath(list->card, prm, sizeof prm, number) &&
        cardMakeDir(list->card, (std::string(cSTORAGE_DIR_WAVE_DATA) + folder).c_str()) == 0 &&
        cardMakeDir(list->card, (std::string(cSTORAGE_DIR_WAVE_PRM) + folder).c_str()) == 0)
        result = copyIn(list, wave, path, dst, sizeof dst, progress, cancel, convert ? &conversion : nullptr);
    std::string copyWhy = systemReason("cannot be copied onto the card");
    // Out of room while copying stops the job as the size check would have.
    if (result == IMPORT_COPY_FAILED && need > rliStorageDiskFreeSize(root))
        result = IMPORT_NO_SPACE;
    if (result != IMPORT_OK) {
        memFree(wave);
        return refused(result, result == IMPORT_NO_SPACE ? "larger than the free space of the card"
                               : result == IMPORT_CANCELLED ? "the copy was interrupted"
                                                            : copyWhy);
    }

    // The parameter file names the category by its position, so the wave
    // joins it first; only a written parameter file makes it a wave of the card.
    std::string text;
    errno = 0;
    if (waveTagAddWave(tag, wave) != 0) {
        result = refused(IMPORT_NO_MEMORY, "out of memory");
    } else if (waveFileWavePrmUpdateText(wave, &list->tags, nullptr, 0, &text) != 0) {
        result = refused(IMPORT_NO_MEMORY, "out of memory");
    } else if (rliFileWriteAll(prm, text.data(), text.size()) != 0) {
        result = refused(IMPORT_COPY_FAILED, systemReason(std::string("its parameter file ") + prm + " cannot be written"));
    }
    if (result != IMPORT_OK) {
        if (wave->category) waveTagRemWave(wave->category, wave);
        unlink(dst);
        memFree(wave);
        return result;
    }

    rliListAddTail(&list->waves, wave);
    if (auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "wIter"))) {
        node->item = wave;
        rliListAddTail(&list->waveNumber, node);
    }
    if (number > list->lastWaveNumber) list->lastWaveNumber = number;
    waveListSortItAllRequest();
    waveStorageAddWaveFile(wave, 0);
    *out = wave;
    if (how) *how = conversion;
    return IMPORT_OK;
}

int waveWaveCreateFromImportMbox(sWave **wave, sWaveList *list, int category, const char *path, uint32_t flags,
                                 int (*mbox)(int title, const wchar_t *text, int kind), rliCopyProgressFn progress,
                                 const std::atomic<int32_t> *cancel, sConvertResult *how, const char *name) {
    int result = waveWaveCreateFromImportEx(wave, list, category, path, flags, progress, cancel, how, name);
    int message = 0;
    bool named = true;
    switch (result) {
    case IMPORT_NO_NUMBER: message = DNASTR_ERR_NO_WAVE_NUMBER; named = false; break;
    case IMPORT_NO_SPACE: message = DNASTR_ERR_NO_SPACE; named = false; break;
    case IMPORT_NO_SIZE: message = DNASTR_ERR_FILE_SIZE; break;
    case IMPORT_COPY_FAILED: message = DNASTR_ERR_COPY; break;
    case IMPORT_BAD_FORMAT:
    case IMPORT_NEEDS_CONVERT: message = DNASTR_ERR_AUDIO_FORMAT; break;
    case IMPORT_BAD_PATH: message = DNASTR_ERR_PATH; break;
    case IMPORT_NO_CATEGORY: message = DNASTR_ERR_IMPORT_CATEGORY; break;
    default: break;
    }
    if (message && mbox)
        mbox(DNASTR_TITLE_ERROR, named ? strMessageAddFilename(message, path) : dnaStrGetPtr(message), 0);
    return result;
}
