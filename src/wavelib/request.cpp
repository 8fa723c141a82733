// The deferred requests and their jobs. See request.h.
#include "wavelib/request.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cwchar>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "wavelib/card.h"
#include "wavelib/kitsave.h"
#include "wavelib/player.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

sWaveRequestState gWaveRequest{};

namespace {

std::string field(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

// The parameter folder of wave `number` below the volume root.
std::string prmFolder(int number) {
    char relative[64];
    std::snprintf(relative, sizeof relative, "%s%02d/", cSTORAGE_DIR_WAVE_PRM, number / 100);
    return relative;
}

// The card path of a wave's parameter file, or of its audio file; "" when it
// does not fit.
std::string prmPath(const sCard *card, int number) {
    char name[16], out[kStoragePathMax];
    std::snprintf(name, sizeof name, "%02d.kvb", number % 100);
    return cardPath(card, out, sizeof out, (prmFolder(number) + name).c_str()) == 0 ? out : "";
}

std::string audioPath(const sCard *card, const sWave *wave) {
    std::string relative = std::string(cSTORAGE_DIR_WAVE_DATA) + field(wave->dataFolder, kWaveDataFolderLen) + "/" +
                           strSjisToUtf8(field(wave->fileName, kWaveFileNameLen));
    char out[kStoragePathMax];
    return cardPath(card, out, sizeof out, relative.c_str()) == 0 ? out : "";
}

std::string waveName(const sWave *wave) { return strSjisToUtf8(field(wave->name, kWaveNameLen)); }

// Whether the library's card still holds its device folder; when not, the
// failure is reported.
bool cardThere(const sWaveList *list) {
    if (waveVolumeCheckCard(list->card) == 0) return true;
    char device[kStoragePathMax];
    cardPath(list->card, device, sizeof device, cSTORAGE_DIR_DEVICE);
    waveRequestFailureReport(DNASTR_ERR_CARD_GONE, "", device, ENOENT);
    return false;
}

}  // namespace

// --- Raising requests -----------------------------------------------------------------

void waveKitSaveRequest(void) { gStatus |= WAVE_STATUS_KIT_SAVE; }
void waveTagSaveRequest(void) { gStatus |= WAVE_STATUS_TAG_SAVE; }
void waveListRenumberingRequest(void) { gStatus |= WAVE_STATUS_RENUMBERING; }
void waveWavePadExchangeRequest(void) { gStatus |= WAVE_STATUS_PAD_EXCHANGE; }
void waveListWaveImportSelectReqeust(void) { gStatus |= WAVE_STATUS_IMPORT_SELECT; }

int waveWaveDisposeFileRequest(sWave *wave, int confirm) {
    if (!wave) return -1;
    bool listed = false;
    for (auto *n = static_cast<sListItem *>(gDeleteWave.first); n && !listed; n = n->next) listed = n->item == wave;
    if (!listed) {
        auto *node = static_cast<sListItem *>(memCalloc(sizeof(sListItem), "wIter"));
        if (!node) return -1;
        node->item = wave;
        rliListAddTail(&gDeleteWave, node);
    }
    if (confirm) gStatus |= WAVE_STATUS_DISPOSE_ASK;
    else gStatus &= ~WAVE_STATUS_DISPOSE_ASK;
    return 0;
}

void waveWaveDisposeFileRequestClear(void) { rliListFreeList(&gDeleteWave); }

void waveRequestReset(void) {
    rliListFreeList(&gWaveRequest.deleteWave);
    rliListFreeList(&gWaveRequest.failures);
    gWaveRequest = sWaveRequestState{};
}

void waveListSortItAllRequest(void) { gbSortRequest = 1; }
int waveListSortRequest(void) { return gbSortRequest; }
void waveListSortRequestClear(void) { gbSortRequest = 0; }

void waveWavePadExchange(sWave *wave1, sWave *wave2, int slot1, int slot2) {
    gPadExchange = sWavePadExchange{wave1, wave2, slot1, slot2};
}

// --- Failures ---------------------------------------------------------------------------

namespace {
std::atomic<int> gFailureShow{1};
}  // namespace

void waveRequestFailureShow(int show) { gFailureShow = show; }

void waveRequestFailureNote(int text, const char *name, const char *path, int err) {
    auto *f = static_cast<sWaveRequestFailure *>(memCalloc(sizeof(sWaveRequestFailure), "RqFail"));
    if (!f) return;
    f->text = text;
    f->err = err;
    std::snprintf(f->name, sizeof f->name, "%s", name ? name : "");
    std::snprintf(f->path, sizeof f->path, "%s", path ? path : "");
    rliListAddTail(&gWaveRequestFailure, f);
}

void waveRequestFailureReport(int text, const char *name, const char *path, int err) {
    waveRequestFailureNote(text, name, path, err);
    if (!gFailureShow) return;
    const wchar_t *message = name && *name ? strMessageAddFilename(text, name) : dnaStrGetPtr(text);
    editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, message, 0);
}

int waveRequestKitMbox(int title, int text, const char *extra, int kind) {
    if (title == DNASTR_TITLE_ERROR) waveRequestFailureNote(text, extra, "", 0);
    if (title == DNASTR_TITLE_ERROR && !gFailureShow) return MBOX_OK;
    const wchar_t *message = extra && *extra ? strMessageAddFilename(text, extra) : dnaStrGetPtr(text);
    return editProgressBarMboxOpenMsg(title, message, kind);
}

void waveRequestFailureClear(void) { rliListFreeList(&gWaveRequestFailure); }

// --- Saving waves ----------------------------------------------------------------------------

int waveSave(sWaveList *list) {
    if (!list) return -1;
    if (!cardThere(list)) return KITSAVE_VOLUME_GONE;
    const sCard *card = list->card;
    int total = 0, done = 0, failed = 0;
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) total += w->saveRequest ? 1 : 0;
    if (total == 0) return 0;
    rliFileSyncBegin();
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) {
        if (!w->saveRequest) continue;
        std::string name = waveName(w);
        int audio = waveWaveFileExist(list, w);
        if (audio != 0) {
            // The wave stays marked: its file is written once the audio is back.
            waveRequestFailureReport(audio == -1 ? DNASTR_ERR_WAVE_UNREADABLE : DNASTR_ERR_WAVE_FORMAT, name.c_str(),
                                     audioPath(card, w).c_str(), 0);
            ++failed;
            continue;
        }
        std::string path = prmPath(card, w->waveNumber);
        // The parameter folder of a new number may not exist yet; it is made
        // only inside the device folder the volume check found.
        errno = 0;
        if (path.empty() || cardMakeDir(card, prmFolder(w->waveNumber).c_str()) != 0 ||
            waveFileWavePrmCreateToFile(w, &list->tags, path.c_str()) != 0) {
            int err = path.empty() ? ENAMETOOLONG : errno;
            waveRequestFailureReport(DNASTR_ERR_WAVE_WRITE, name.c_str(), path.c_str(), err);
            ++failed;
            continue;
        }
        w->saveRequest = 0;
        edtiProgressBarSetRatio(static_cast<float>(++done) / static_cast<float>(total));
    }
    if (rliFileSyncEnd(cardRoot(card)) != 0) {
        waveRequestFailureReport(DNASTR_ERR_WAVE_WRITE, "", cardRoot(card), errno);
        ++failed;
    }
    return failed ? -1 : 0;
}

int waveSaveFunc(void *arg) {
    auto *job = static_cast<sWaveJob *>(arg);
    waveSave(job->list);
    if (job->requests->sortRequest && job->list) {
        job->requests->sortRequest = 0;
        waveListSortItAll(job->list);
    }
    return 1;
}

// --- Deleting waves --------------------------------------------------------------------------

int waveDisposeFile(sWaveList *list, sWave *wave) {
    if (!list || !wave) return -1;
    const sCard *card = list->card;
    if (wave == gpSelectWave) waveWaveSelect(nullptr);
    std::string name = waveName(wave);
    // Audio first: a parameter file without its audio is an orphan the next
    // scan removes, while audio without its parameter file would be lost.
    std::string audio = audioPath(card, wave);
    errno = 0;
    if (audio.empty() || (rliFileDelete(audio.c_str()) != 0 && errno != ENOENT)) {
        waveRequestFailureReport(DNASTR_ERR_WAVE_DELETE, name.c_str(), audio.c_str(), audio.empty() ? ENAMETOOLONG : errno);
        return -1;
    }
    std::string prm = prmPath(card, wave->waveNumber);
    errno = 0;
    if (prm.empty() || (rliFileDelete(prm.c_str()) != 0 && errno != ENOENT))
        waveRequestFailureReport(DNASTR_ERR_WAVE_DELETE, name.c_str(), prm.c_str(), prm.empty() ? ENAMETOOLONG : errno);
    // Kits keep naming the number otherwise, and the next wave given that
    // number would play on their pads.
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next)
        if (p->kit && (p->waveNumber == wave->waveNumber || p->subWaveNumber == wave->waveNumber)) waveKitEdit(p->kit);
    waveWaveDispose(list, wave);
    return 0;
}

namespace {

// A pad slot emptied for a deletion: the pad and which of its two slots.
struct ClearedSlot {
    sPad *pad;
    bool sub;
};

// Empties every pad slot naming wave `number`, marking its kit for writing,
// and adds them to `cleared`.
void clearPads(sWaveList *list, int number, std::vector<ClearedSlot> &cleared) {
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next) {
        if (!p->kit || (p->waveNumber != number && p->subWaveNumber != number)) continue;
        if (p->waveNumber == number) cleared.push_back({p, false}), p->waveNumber = -1;
        if (p->subWaveNumber == number) cleared.push_back({p, true}), p->subWaveNumber = -1;
        waveKitEdit(p->kit);
    }
}

}  // namespace

int waveDeleteFunc(void *arg) {
    auto *job = static_cast<sWaveJob *>(arg);
    sWaveList *list = job->list;
    sListBase *waves = &job->requests->deleteWave;
    int count = rliListCount(waves), done = 0;
    if (list && cardThere(list)) {
        rliFileSyncBegin();
        // The pads let go of the waves on the card before any file goes: a
        // crash in between leaves waves no pad plays, never a pad naming a
        // number the next import hands to another wave.
        std::map<const sWave *, std::vector<ClearedSlot>> cleared;
        for (auto *n = static_cast<sListItem *>(waves->first); n; n = n->next)
            clearPads(list, static_cast<sWave *>(n->item)->waveNumber, cleared[static_cast<sWave *>(n->item)]);
        if (waveKitSave(list, 0, waveRequestKitMbox) != 0) {
            // The kit save has told which kit failed; no wave goes without it.
            rliFileSyncEnd(cardRoot(list->card));
            rliListFreeList(waves);
            return 1;
        }
        // Disposing a wave takes it off the delete list, so the list is
        // walked from its head.
        while (auto *n = static_cast<sListItem *>(waves->first)) {
            auto *wave = static_cast<sWave *>(n->item);
            rliListFreeLink(waves, n);
            // A wave whose audio stayed stays, played by its pads again.
            if (waveDisposeFile(list, wave) != 0)
                for (const ClearedSlot &c : cleared[wave]) {
                    (c.sub ? c.pad->subWaveNumber : c.pad->waveNumber) = wave->waveNumber;
                    waveKitEdit(c.pad->kit);
                }
            edtiProgressBarSetRatio(static_cast<float>(++done) / static_cast<float>(count));
        }
        waveKitSave(list, 0, waveRequestKitMbox);
        const char *root = cardRoot(list->card);
        if (rliFileSyncEnd(root) != 0) waveRequestFailureReport(DNASTR_ERR_WAVE_DELETE, "", root, errno);
    }
    rliListFreeList(waves);
    return 1;
}

// --- Pad exchange ------------------------------------------------------------------------------

int wavePadExhange(void *arg) {
    auto *job = static_cast<sWaveJob *>(arg);
    sWaveList *list = job->list;
    sKit *kit = waveKitSelectPtr();
    const sWavePadExchange &x = job->requests->padExchange;
    if (!list || !kit || x.slot1 < 0 || x.slot1 >= kPadSlotCount || x.slot2 < 0 || x.slot2 >= kPadSlotCount)
        return 1;
    int number1 = x.wave1 ? x.wave1->waveNumber : -1, number2 = x.wave2 ? x.wave2->waveNumber : -1;
    sPad *pad1 = waveKitPadPtr(kit, x.slot1 / 2), *pad2 = waveKitPadPtr(kit, x.slot2 / 2);
    if (!pad1 || !pad2) return 1;
    if (x.slot1 % 2) pad1->subWaveNumber = number2;
    else pad1->waveNumber = number2;
    if (x.slot2 % 2) pad2->subWaveNumber = number1;
    else pad2->waveNumber = number1;
    edtiProgressBarSetRatio(0.5f);
    // The kit now has a file whatever it had before; the kit save writes it
    // after the volume check and reports it when it fails.
    waveKitIsFile(kit, 1);
    waveKitEdit(kit);
    waveKitSave(list, 0, waveRequestKitMbox);
    edtiProgressBarSetRatio(1.0f);
    return 1;
}

// --- Wave list files -----------------------------------------------------------------------------

int waveListSaveCB(void *arg) {
    sWaveList *list = static_cast<sWaveJob *>(arg)->list;
    edtiProgressBarSetRatio(0.0f);
    if (!list || !cardThere(list)) return 1;
    const char *root = cardRoot(list->card);
    // The lists are written in the orders the views give; an edit since the
    // last sort would leave them stale.
    waveListSortItAll(list);
    const float ratios[kStorageWaveListFiles] = {0.333333f, 0.666666f, 1.0f};
    rliFileSyncBegin();
    for (int i = 0; i < kStorageWaveListFiles; ++i) {
        char path[kStoragePathMax];
        std::string relative = std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_WAVE_LISTS[i];
        errno = 0;
        if (cardPath(list->card, path, sizeof path, relative.c_str()) != 0 ||
            cardMakeDir(list->card, cSTORAGE_DIR_SYSTEM) != 0 || waveListWriteListFile(list, i, path) != 0)
            waveRequestFailureReport(DNASTR_ERR_LIST_WRITE, "", path, errno);
        edtiProgressBarSetRatio(ratios[i]);
    }
    if (rliFileSyncEnd(root) != 0) waveRequestFailureReport(DNASTR_ERR_LIST_WRITE, "", root, errno);
    return 1;
}

std::string waveListListFileText(const sWaveList *list, int which) {
    if (!list || which < 0 || which >= kStorageWaveListFiles) return "";
    return waveFileWaveListText(&list->waveAlphabet, &list->tags, which);
}

int waveListWriteListFile(sWaveList *list, int which, const char *path) {
    if (!list || !path || which < 0 || which >= kStorageWaveListFiles) return -1;
    std::string text = waveListListFileText(list, which);
    return rliFileWriteAll(path, text.data(), text.size());
}

bool waveListFileHolds(const char *path, const std::string &text) {
    _sRliFile *f = path ? rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, -1) : nullptr;
    bool same = f && rliFileGetDataSize(f) == text.size() && std::memcmp(rliFileGetDataAddr(f), text.data(), text.size()) == 0;
    rliFileClose(f);
    return same;
}

bool waveListListFilesCurrent(sWaveList *list) {
    if (!list || !cardThere(list)) return false;
    waveListSortItAll(list);
    for (int i = 0; i < kStorageWaveListFiles; ++i) {
        char path[kStoragePathMax];
        std::string relative = std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_WAVE_LISTS[i];
        if (cardPath(list->card, path, sizeof path, relative.c_str()) != 0 ||
            !waveListFileHolds(path, waveListListFileText(list, i)))
            return false;
    }
    return true;
}

int waveListSave(sWaveList *list) {
    if (!list) return -1;
    int before = rliListCount(&gWaveRequestFailure);
    sWaveJob job{list, &gWaveRequest};
    int run = editProgressBarRun(waveListSaveCB, &job, nullptr, 0, dnaStrGetUtf8Ptr(DNASTR_PROGRESS_SAVE_LISTS), nullptr);
    return run == 0 && rliListCount(&gWaveRequestFailure) == before ? 0 : -1;
}

// --- Texts -------------------------------------------------------------------------------------

const wchar_t *strMessageAddFilename(int message, const char *name) {
    static wchar_t buffer[kDnaStrUnits + kRliPathMax];
    std::wstring text = dnaStrGetPtr(message);
    std::wstring wide(kRliPathMax, L'\0'), dir(kRliPathMax, L'\0'), base(kRliPathMax, L'\0'), ext(kRliPathMax, L'\0');
    utf8towchar(wide.data(), wide.size(), name ? name : "");
    if (rliStringSplitpath(nullptr, dir.data(), base.data(), ext.data(), wide.c_str()) == 0)
        text += L"\n\n" + std::wstring(base.c_str()) + ext.c_str();
    size_t n = std::min(text.size(), sizeof buffer / sizeof buffer[0] - 1);
    std::wmemcpy(buffer, text.c_str(), n);
    buffer[n] = L'\0';
    return buffer;
}
