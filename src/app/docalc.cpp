// The request step. See docalc.h.
#include "app/docalc.h"

#include <cerrno>
#include <string>

#include "app/journal.h"
#include "foundation/list.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "wavelib/card.h"
#include "wavelib/journal.h"
#include "wavelib/kitsave.h"
#include "wavelib/order.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

sWaveCalcHooks gHooks{};

// Main window menu entry of the Delete command, switched off after a deletion.
constexpr int kMenuWaveDelete = 1003;
// Request event of the main window that selects a pad slot.
constexpr int kRequestPadSlot = 20;

int messageBox(int title, int text, int kind) {
    if (gHooks.messageBox) return gHooks.messageBox(gHooks.user, title, text, kind);
    // Both texts stay valid together (the table keeps two results).
    return ghostMBoxOpen(dnaStrGetPtr(title), dnaStrGetPtr(text), kind, nullptr);
}

void redraw() {
    if (gHooks.redraw) gHooks.redraw(gHooks.user);
}

int runJob(threadJobFn job, void *arg, int message) {
    return editProgressBarRun(job, arg, nullptr, 0, dnaStrGetUtf8Ptr(message), nullptr);
}

// The volume check of one step. The first time the card is found gone in a
// pass the user is told and the main window asked to close (`error`: with an
// error); later steps of the pass drop their requests without a word.
class VolumeGuard {
public:
    explicit VolumeGuard(const sCard *card) : card_(card) {}
    bool gone(bool error) {
        if (gone_) return true;
        if (waveVolumeCheckCard(card_) == 0) return false;
        report(error, true);
        return true;
    }
    // A job found the card gone on its own (it was pulled while the job ran):
    // the same close follows; `tell` when the job did not show message 88.
    void goneDuringJob(bool error, bool tell) {
        if (!gone_) report(error, tell);
    }
    // Whether a job noted the card as gone since `mark` (a failure list position).
    static bool jobFoundGone(int mark) {
        int i = 0;
        for (auto *f = static_cast<const sWaveRequestFailure *>(gWaveRequestFailure.first); f; f = f->next, ++i)
            if (i >= mark && f->text == DNASTR_ERR_CARD_GONE) return true;
        return false;
    }

private:
    void report(bool error, bool tell) {
        gone_ = true;
        if (tell) {
            char device[kStoragePathMax];
            cardPath(card_, device, sizeof device, cSTORAGE_DIR_DEVICE);
            waveRequestFailureNote(DNASTR_ERR_CARD_GONE, "", device, ENOENT);
            messageBox(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
        }
        void (*close)(void *) = error ? gHooks.errorCloseRequest : gHooks.closeRequest;
        if (close) close(gHooks.user);
    }
    const sCard *card_;
    bool gone_ = false;
};

// Runs a job of a step; when the card went while it ran, the step ends as
// if the check had found it gone.
void runStepJob(threadJobFn job, sWaveList *list, int message, VolumeGuard &volume, bool error) {
    int mark = rliListCount(&gWaveRequestFailure);
    sWaveJob input{list, &gWaveRequest};
    runJob(job, &input, message);
    if (VolumeGuard::jobFoundGone(mark)) volume.goneDuringJob(error, false);
}

void kitSave(sWaveList *list, VolumeGuard &volume) {
    if (!(gStatus & WAVE_STATUS_KIT_SAVE)) return;
    gStatus &= ~WAVE_STATUS_KIT_SAVE;
    if (volume.gone(true)) return;
    if (waveKitSave(list, 0, waveRequestKitMbox) == KITSAVE_VOLUME_GONE) volume.goneDuringJob(true, true);
}

void tagSave(sWaveList *list, VolumeGuard &volume) {
    if (!(gStatus & WAVE_STATUS_TAG_SAVE)) return;
    gStatus &= ~WAVE_STATUS_TAG_SAVE;
    if (volume.gone(true)) return;
    if (wstorageTagListUnreadable(list->storage)) {
        char path[kStoragePathMax];
        cardPath(list->card, path, sizeof path, (std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST).c_str());
        waveRequestFailureReport(DNASTR_ERR_TAG_WRITE, "", path, EILSEQ);
        return;
    }
    waveListTagOrderJustified(list);
    char path[kStoragePathMax];
    errno = 0;
    bool fits = cardPath(list->card, path, sizeof path,
                         (std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST).c_str()) == 0;
    if (!fits || cardMakeDir(list->card, cSTORAGE_DIR_SYSTEM) != 0 ||
        waveFileTagListCreateToFile(&list->tags, path) != 0)
        waveRequestFailureReport(DNASTR_ERR_TAG_WRITE, "", fits ? path : "", fits ? errno : ENAMETOOLONG);
    waveListSortItAllRequest();
}

void renumber(sWaveList *list, VolumeGuard &volume) {
    if (!(gStatus & WAVE_STATUS_RENUMBERING)) return;
    gStatus &= ~WAVE_STATUS_RENUMBERING;
    if (!volume.gone(true)) {
        waveWaveSelect(nullptr);
        runJob(listRenumberingFunc, list, DNASTR_PROGRESS_RENUMBER);
        const sRenumberResult *r = listRenumberingResult();
        if (r->status == RENUMBER_FAIL_VOLUME) volume.goneDuringJob(true, true);
        else if (r->status == RENUMBER_FAIL_STEP)
            waveRequestFailureNote(DNASTR_ERR_RENUMBER, strSjisToUtf8(r->failedName).c_str(), r->failedPath, r->err);
        else if (r->status == RENUMBER_FAIL_MEMORY)
            waveRequestFailureNote(DNASTR_ERR_RENUMBER, "", cardRoot(list->card), ENOMEM);
        redraw();
    }
    waveStorageWaveFileClear();
}

void deleteWaves(sWaveList *list, VolumeGuard &volume) {
    if (!gDeleteWave.first) return;
    bool ask = gStatus & WAVE_STATUS_DISPOSE_ASK;
    gStatus &= ~WAVE_STATUS_DISPOSE_ASK;
    // Only a "yes" deletes: a box nobody could answer must not.
    if (volume.gone(true) ||
        (ask && messageBox(DNASTR_TITLE_QUESTION, DNASTR_ASK_DELETE_WAVES, MBOX_KIND_YES_NO) != MBOX_YES)) {
        waveWaveDisposeFileRequestClear();
        return;
    }
    waveWaveSelect(nullptr);
    runStepJob(waveDeleteFunc, list, DNASTR_PROGRESS_DELETE, volume, true);
    waveListSortItAllRequest();
    if (gHooks.resetWaveParameter) gHooks.resetWaveParameter(gHooks.user);
    redraw();
    if (gHooks.menuOnOff) gHooks.menuOnOff(gHooks.user, kMenuWaveDelete, 0);
    if (gHooks.menuWaveAndPadAble) gHooks.menuWaveAndPadAble(gHooks.user);
}

void waveSaveStep(sWaveList *list, VolumeGuard &volume) {
    if (!(gStatus & WAVE_STATUS_WAVE_SAVE)) return;
    gStatus &= ~WAVE_STATUS_WAVE_SAVE;
    // The waves keep their marks when the card has gone.
    if (volume.gone(false)) return;
    runStepJob(waveSaveFunc, list, DNASTR_PROGRESS_SAVE, volume, false);
    redraw();
}

void padExchange(sWaveList *list, VolumeGuard &volume) {
    if (!(gStatus & WAVE_STATUS_PAD_EXCHANGE)) return;
    gStatus &= ~WAVE_STATUS_PAD_EXCHANGE;
    if (volume.gone(true)) {
        if (gHooks.postRequest) gHooks.postRequest(gHooks.user, kRequestPadSlot, gPadExchange.slot1);
    } else {
        runStepJob(wavePadExhange, list, DNASTR_PROGRESS_SAVE, volume, true);
        if (gHooks.postRequest) gHooks.postRequest(gHooks.user, kRequestPadSlot, gPadExchange.slot2);
    }
    redraw();
}

}  // namespace

void waveDoCalcSetHooks(const sWaveCalcHooks *hooks) { gHooks = hooks ? *hooks : sWaveCalcHooks{}; }

namespace {
int gImportResult = 0;
int gExportResult = 0;
}  // namespace

int waveDoCalcImportResult(void) { return gImportResult; }
int waveDoCalcExportResult(void) { return gExportResult; }

void waveDoCalc(sWaveList *list) {
    if (!list) return;
    int selectImported = (gStatus & WAVE_STATUS_IMPORT_SELECT) ? 1 : 0;
    gStatus &= ~WAVE_STATUS_IMPORT_SELECT;
    gImportResult = 0;
    gExportResult = 0;
    if (gHooks.importCalc) gHooks.importCalc(gHooks.user, list, selectImported);
    else gImportResult = waveImportCalc(list, selectImported);
    waveStorageWaveFileClear();
    if (gHooks.exportCalc) gHooks.exportCalc(gHooks.user, list);
    else gExportResult = waveExportCalc(list);

    VolumeGuard volume(list->card);
    // The category list and the waves it renumbers are written as one edit.
    int journaled = journalCategoryBegin(list);
    if (journaled < 0) {
        char path[kStoragePathMax];
        journalPath(cardRoot(list->card), cJOURNAL_CATEGORY, path, sizeof path);
        waveRequestFailureReport(DNASTR_ERR_TAG_WRITE, "", path, errno);
        gStatus &= ~(WAVE_STATUS_TAG_SAVE | WAVE_STATUS_WAVE_SAVE);
    }
    int mark = rliListCount(&gWaveRequestFailure);
    kitSave(list, volume);
    tagSave(list, volume);
    renumber(list, volume);
    deleteWaves(list, volume);
    waveSaveStep(list, volume);
    if (journaled > 0) journalCategoryEnd(list, rliListCount(&gWaveRequestFailure) == mark);
    padExchange(list, volume);

    if (gbSortRequest) {
        gbSortRequest = 0;
        waveListSortItAll(list);
        redraw();
    }
}
