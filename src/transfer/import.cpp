// Wave import. See import.h.
#include "transfer/import.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
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

// The file-name stem: the first 5 bytes of the wave name.
std::string fileStem(const char *waveName) { return std::string(waveName, strnlen(waveName, 5)); }

void report(sImportJob *job, const char *path, int result, const sWave *wave, const sConvertResult *how = nullptr) {
    if (result != IMPORT_OK) ++job->failed;
    if (job->report) job->report(path, result, wave, result == IMPORT_OK ? how : nullptr, job->reportCtx);
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
            report(job, r->path, IMPORT_NOT_RUN, nullptr);
            continue;
        }
        if (count >= kWaveNumberMax + 1) {
            editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_LIBRARY_FULL, MBOX_KIND_OK);
            report(job, r->path, IMPORT_LIBRARY_FULL, nullptr);
            stop = true;
            continue;
        }
        sWave *wave = nullptr;
        sConvertResult how;
        int result = waveWaveCreateFromImportMbox(&wave, list, r->category, r->path, r->flags,
                                                  editProgressBarMboxOpenMsg, copyFuncRatio, &gbCancel, &how);
        report(job, r->path, result, wave, r->flags & IMPORT_CONVERT ? &how : nullptr);
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

void waveImportName(char *buf, const char *base) {
    std::memset(buf, 0, kWaveNameLen + 1);
    size_t out = 0;
    for (size_t i = 0; base && base[i] && out < kWaveNameLen;) {
        auto c = static_cast<unsigned char>(base[i]);
        if (c < 0x80) {
            buf[out++] = static_cast<char>(c);
            ++i;
            continue;
        }
        // One "X" per character: the lead byte says how long it is; a byte
        // that leads nothing stands for itself. Never past the end.
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        buf[out++] = 'X';
        for (size_t k = 0; k < len && base[i]; ++k) ++i;
    }
}

int waveWaveCreateFromImport(sWave **out, sWaveList *list, int category, const char *path,
                             rliCopyProgressFn progress) {
    return waveWaveCreateFromImportEx(out, list, category, path, 0, progress, nullptr, nullptr);
}

int waveWaveCreateFromImportEx(sWave **out, sWaveList *list, int category, const char *path, uint32_t flags,
                               rliCopyProgressFn progress, const std::atomic<int32_t> *cancel, sConvertResult *how) {
    if (out) *out = nullptr;
    if (how) *how = sConvertResult{};
    if (!out || !list) return IMPORT_NO_MEMORY;
    char dir[kRliPathMax], base[kRliPathMax], ext[kRliPathMax];
    if (!path || rliStringSplitpathA(nullptr, dir, base, ext, path) != 0 || !base[0]) return IMPORT_BAD_PATH;
    char name[kWaveNameLen + 1];
    waveImportName(name, base);

    // The file must be a regular one before anything opens it (a pipe would block).
    struct stat st;
    if (stat(path, &st) != 0) return IMPORT_NO_SIZE;
    if (!S_ISREG(st.st_mode)) return IMPORT_BAD_FORMAT;
    _sAudioContext *audio = audioDecode(path);
    bool playable = audio && audioGetSampleRate(audio) == 44100 && audioGetBitsPerSample(audio) == 16;
    audioDispose(audio);
    sConvertResult conversion{};
    bool convert = false;
    if (flags & IMPORT_CONVERT) {
        // What the header reader takes but libsndfile cannot read is copied
        // as it always was.
        int probed = convertProbe(path, &conversion.info);
        if (probed != CONVERT_OK && !playable) return IMPORT_BAD_FORMAT;
        convert = probed == CONVERT_OK && conversion.info.kind != CONVERT_COPY;
    } else if (!playable) {
        sConvertInfo info;
        return convertProbe(path, &info) == CONVERT_OK ? IMPORT_NEEDS_CONVERT : IMPORT_BAD_FORMAT;
    }
    uint64_t size = convert ? conversion.info.size : static_cast<uint64_t>(st.st_size);

    // A missing category is found before anything is written, so the file
    // leaves no trace on the card.
    auto *tag = category >= 0 ? static_cast<sTag *>(rliListFindLink(&list->tags, category)) : nullptr;
    if (!tag) return IMPORT_NO_CATEGORY;

    int number = nextNumber(list);
    if (number > kWaveNumberMax) return IMPORT_NO_NUMBER;
    const char *root = cardRoot(list->card);
    uint64_t need = onCard(size, root);
    if (need > rliStorageDiskFreeSize(root)) return IMPORT_NO_SPACE;

    auto *wave = static_cast<sWave *>(memCalloc(sizeof(sWave), "Wave"));
    if (!wave) return IMPORT_NO_MEMORY;
    waveWaveWaveNumber(list, wave, number, 1);
    waveWaveName(wave, name);
    waveWaveFilename(wave, (fileStem(name) + (convert ? ".wav" : ext)).c_str());
    waveWaveIsNew(wave, 1);

    char folder[16], prm[kRliPathMax], dst[kRliPathMax];
    std::snprintf(folder, sizeof folder, "%02d/", number / 100);
    int result = IMPORT_COPY_FAILED;
    if (prmPath(list->card, prm, sizeof prm, number) &&
        cardMakeDir(list->card, (std::string(cSTORAGE_DIR_WAVE_DATA) + folder).c_str()) == 0 &&
        cardMakeDir(list->card, (std::string(cSTORAGE_DIR_WAVE_PRM) + folder).c_str()) == 0)
        result = copyIn(list, wave, path, dst, sizeof dst, progress, cancel, convert ? &conversion : nullptr);
    // Out of room while copying stops the job as the size check would have.
    if (result == IMPORT_COPY_FAILED && need > rliStorageDiskFreeSize(root))
        result = IMPORT_NO_SPACE;
    if (result != IMPORT_OK) {
        memFree(wave);
        return result;
    }

    // The parameter file names the category by its position, so the wave
    // joins it first; only a written parameter file makes it a wave of the card.
    std::string text;
    if (waveTagAddWave(tag, wave) != 0) {
        result = IMPORT_NO_MEMORY;
    } else if (waveFileWavePrmUpdateText(wave, &list->tags, nullptr, 0, &text) != 0) {
        result = IMPORT_NO_MEMORY;
    } else if (rliFileWriteAll(prm, text.data(), text.size()) != 0) {
        result = IMPORT_COPY_FAILED;
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
                                 const std::atomic<int32_t> *cancel, sConvertResult *how) {
    int result = waveWaveCreateFromImportEx(wave, list, category, path, flags, progress, cancel, how);
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
