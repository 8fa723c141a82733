// Wave export. See export.h.
#include "transfer/export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/user.h"
#include "wavelib/card.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

sListBase gExportWave;

namespace {

std::atomic<int32_t> gbCancel{0};
waveExportDirFn gChooser = nullptr;
void *gChooserUser = nullptr;
waveExportReportFn gReport = nullptr;
void *gReportCtx = nullptr;

// The job's input and outcome, made on the main thread by waveExportCalc.
struct sExportJob {
    const sCard *card;          // the card the waves are read from
    sListBase *requests;        // sListItem -> sWave, exported in order
    char target[kRliPathMax];   // the chosen folder, ending in "/"
    sListBase names;            // sExportName: every name known in the target folder
    waveExportReportFn report;  // the per-request report, or null
    void *reportCtx;
    int failed;                 // requests not exported
    bool listFailed;            // the folder could not be listed: nothing is copied
    bool syncFailed;            // the closing sync of the target folder failed
};

// One name known in the target folder ("fname").
struct sExportName {
    sExportName *next;
    sExportName *prev;
    char base[kStorageNameMax];  // the name without its extension
    char ext[kStorageNameMax];   // the extension with its dot, "" without one
};

// Characters that file names on the common systems cannot hold; a wave named
// with one is refused rather than renamed behind the user's back.
constexpr const char *kForbidden = "\\/:*?\"<>|";

void splitName(const char *name, std::string *base, std::string *ext) {
    const char *dot = std::strrchr(name, '.');
    // A leading dot starts a hidden name, not an extension.
    if (!dot || dot == name) dot = name + std::strlen(name);
    base->assign(name, static_cast<size_t>(dot - name));
    ext->assign(dot);
}

int addName(sListBase *names, const std::string &base, const std::string &ext) {
    auto *n = static_cast<sExportName *>(memCalloc(sizeof(sExportName), "fname"));
    if (!n) return -1;
    std::snprintf(n->base, sizeof n->base, "%s", base.c_str());
    std::snprintf(n->ext, sizeof n->ext, "%s", ext.c_str());
    rliListAddTail(names, n);
    return 0;
}

// Names of the folder's every entry: a folder or link of a name blocks that
// name as much as a file does.
int loadNames(sListBase *names, const char *folder) {
    sRliDirEntry *entries = nullptr;
    int count = rliStorageGetDir(&entries, folder);
    if (count < 0) return -1;
    for (int i = 0; i < count; ++i) {
        const char *name = entries[i].name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        std::string base, ext;
        splitName(name, &base, &ext);
        addName(names, base, ext);
    }
    rliStorageFreeDir(entries, count);
    return 0;
}

// How many known names are `base` + `ext`, without regard to case. The base
// a target gets is the whole wave name, so the whole name is compared (a wave
// named "Kick.1" exported twice must clash with "Kick.1.wav").
int sameNameCount(const sListBase *names, const std::string &base, const std::string &ext) {
    int count = 0;
    for (auto *n = static_cast<const sExportName *>(names->first); n; n = n->next)
        if (rliStrIcmp(n->ext, ext.c_str()) == 0 && rliStrIcmp(n->base, base.c_str()) == 0) ++count;
    return count;
}

// The largest running number of a known name `base`_N + `ext`; 0 when none.
int sameNameMaxCount(const sListBase *names, const std::string &base, const std::string &ext) {
    int best = 0;
    for (auto *n = static_cast<const sExportName *>(names->first); n; n = n->next) {
        if (rliStrIcmp(n->ext, ext.c_str()) != 0) continue;
        const char *under = std::strrchr(n->base, '_');
        if (!under) continue;
        int digits = 0;
        for (const char *p = under + 1; *p; ++p) digits += std::isdigit(static_cast<unsigned char>(*p)) ? 1 : 0;
        if (digits == 0) continue;
        if (static_cast<size_t>(under - n->base) != base.size() ||
            strncasecmp(n->base, base.c_str(), base.size()) != 0)
            continue;
        long number = std::strtol(under + 1, nullptr, 10);
        if (number > best && number < 1000000) best = static_cast<int>(number);
    }
    return best;
}

// The target name by the running-number rule.
std::string targetName(const sListBase *names, const std::string &base, const std::string &ext) {
    int count = sameNameCount(names, base, ext);
    if (count < 1) return base + ext;
    return base + "_" + std::to_string(count + sameNameMaxCount(names, base, ext)) + ext;
}

void report(sExportJob *job, const sWave *wave, const char *target, int result) {
    if (result != EXPORT_OK) ++job->failed;
    if (job->report) job->report(wave, target, result, job->reportCtx);
}

int copyOut(sExportJob *job, const sWave *wave, const std::string &name) {
    std::string stored(wave->fileName, strnlen(wave->fileName, kWaveFileNameLen)), base, ext;
    splitName(stored.c_str(), &base, &ext);
    if (ext.find('/') != std::string::npos) return EXPORT_COPY_FAILED;

    char relative[kRliPathMax], source[kRliPathMax];
    std::snprintf(relative, sizeof relative, "%s%.2s/%s", cSTORAGE_DIR_WAVE_DATA, wave->dataFolder, stored.c_str());
    if (cardPath(job->card, source, sizeof source, relative) != 0) return EXPORT_COPY_FAILED;

    // A name taken by something the listing did not show (made meanwhile)
    // joins the list and the rule is asked again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string file = targetName(&job->names, name, ext);
        std::string target = std::string(job->target) + file;
        int r = transferCopyNew(source, target.c_str(), nullptr, false);
        if (r == -3) {
            std::string b, e;
            splitName(file.c_str(), &b, &e);
            if (addName(&job->names, b, e) != 0) return EXPORT_COPY_FAILED;
            continue;
        }
        if (r != 0) return EXPORT_COPY_FAILED;
        // The wave's name as base keeps later waves of the same name numbering on.
        addName(&job->names, name, ext);
        report(job, wave, target.c_str(), EXPORT_OK);
        return EXPORT_OK;
    }
    return EXPORT_COPY_FAILED;
}

// Text `message`, two line feeds and the wave's whole name (which may hold a
// "/", so it is not split as a path), in a buffer of this thread.
const wchar_t *messageWithName(int message, const std::string &name) {
    static thread_local std::wstring buffer;
    std::wstring wide(name.size() + 1, L'\0');
    utf8towchar(wide.data(), wide.size(), name.c_str());
    buffer = std::wstring(dnaStrGetPtr(message)) + L"\n\n" + wide.c_str();
    return buffer.c_str();
}

// Exports one wave; a wave that is not exported is named in a message.
int exportOne(sExportJob *job, const sWave *wave) {
    std::string name = strSjisToUtf8(std::string(wave->name, strnlen(wave->name, kWaveNameLen)));
    bool badName = name.empty() || name.find_first_of(kForbidden) != std::string::npos;
    int result = badName ? EXPORT_BAD_NAME : job->listFailed ? EXPORT_COPY_FAILED : copyOut(job, wave, name);
    if (result != EXPORT_OK) {
        int message = badName ? DNASTR_ERR_EXPORT_NAME : DNASTR_ERR_EXPORT_COPY;
        editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, messageWithName(message, name), MBOX_KIND_OK);
    }
    return result;
}

}  // namespace

// --- Requests ------------------------------------------------------------------

int waveExportSetRequest(sWave *wave) {
    if (!wave) return -1;
    auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "wIter"));
    if (!node) return -1;
    node->item = wave;
    rliListAddTail(&gExportWave, node);
    return 0;
}

void waveExportSetRequestCancel(void) { rliListFreeList(&gExportWave); }

// --- Running -------------------------------------------------------------------------

void waveExportSetDirChooser(waveExportDirFn chooser, void *user) {
    gChooser = chooser;
    gChooserUser = user;
}

void waveExportSetReport(waveExportReportFn fn, void *ctx) {
    gReport = fn;
    gReportCtx = ctx;
}

void waveExportSetCancel(void) { gbCancel = 1; }

int exportThreadFunc(void *arg) {
    auto *job = static_cast<sExportJob *>(arg);
    edtiProgressBarSetRatio(0.0f);
    editProgressBarUpdateRequest();
    int total = rliListCount(job->requests), done = 0;
    rliFileSyncBegin();
    for (auto *n = static_cast<sListItem *>(job->requests->first); n; n = n->next) {
        auto *wave = static_cast<const sWave *>(n->item);
        if (gbCancel) {
            report(job, wave, nullptr, EXPORT_NOT_RUN);
            continue;
        }
        int r = exportOne(job, wave);
        if (r != EXPORT_OK) report(job, wave, nullptr, r);
        ++done;
        edtiProgressBarSetRatio(static_cast<float>(done) / static_cast<float>(total));
        editProgressBarUpdateRequest();
    }
    job->syncFailed = rliFileSyncEnd(job->target) != 0;
    return 1;
}

int waveExportCalc(const sWaveList *list) {
    if (!gExportWave.first) return 0;
    ghostWindowAllMenuOnOff(0);
    struct sMenusBack {
        ~sMenusBack() { ghostWindowAllMenuOnOff(1); }
    } menusBack;
    if (!list || rliStorageExist(cardRoot(list->card)) != 0) {
        editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
        waveExportSetRequestCancel();
        return -2;
    }
    sExportJob job{};
    job.card = list->card;
    job.requests = &gExportWave;
    job.report = gReport;
    job.reportCtx = gReportCtx;
    int chosen;
    if (gChooser) {
        chosen = gChooser(gChooserUser, job.target, sizeof job.target);
    } else {
        char start[kRliPathMax] = "";
        if (const wchar_t *w = userGetBackupExportDefaultPathPtr()) wcs2utf8s(start, sizeof start, w);
        chosen = ghostDirDlgOpen(job.target, sizeof job.target, nullptr, start, 0,
                                 dnaStrGetPtr(DNASTR_PROMPT_WAVE_EXPORT));
    }
    size_t len = std::strlen(job.target);
    if (!chosen || len == 0) {
        waveExportSetRequestCancel();
        return 0;
    }
    if (job.target[len - 1] != '/' && len + 1 < sizeof job.target) std::strcat(job.target, "/");
    std::wstring wide(std::strlen(job.target) + 1, L'\0');
    if (utf8towchar(wide.data(), wide.size(), job.target) >= 0) userSetBackupExportDefaultPathPtr(wide.c_str());

    // Without the folder's names no copy could be named safely; the job then
    // reports every wave as not exported.
    job.listFailed = loadNames(&job.names, job.target) != 0;
    gbCancel = 0;
    int result = -1;
    if (editProgressBarRun(exportThreadFunc, &job, [](void *) { waveExportSetCancel(); }, 0,
                           dnaStrGetUtf8Ptr(DNASTR_PROGRESS_EXPORT), nullptr) == 0)
        result = job.syncFailed ? -3 : job.failed;
    rliListFreeList(&job.names);
    waveExportSetRequestCancel();
    return result;
}

// --- Shared with import -----------------------------------------------------------------

int transferCopyNew(const char *src, const char *dst, rliCopyProgressFn progress, bool cancellable) {
    struct stat st;
    if (!src || !dst) return -1;
    if (lstat(dst, &st) == 0) return -3;
    char tmp[kRliPathMax];
    int fd = rliFileMakeTemp(dst, tmp, sizeof tmp);
    if (fd < 0) return -1;
    close(fd);
    int r = cancellable ? rliFileCopyAsync(src, tmp, progress) : rliFileCopy(src, tmp);
    if (r == 0) {
        r = rliFileMoveEx(tmp, dst, RLI_MOVE_NOREPLACE);
        if (r != 0 && r != -3) r = -1;
    } else if (r != -2) {
        r = -1;
    }
    if (r != 0) {
        // The caller reports the copy's own reason, not the clean-up's.
        int err = errno;
        unlink(tmp);
        errno = err;
    }
    return r;
}

