// The main window's controller. See mainctl.h.
#include "windows/main/mainctl.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <dirent.h>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "app/docalc.h"
#include "foundation/global.h"
#include "foundation/str.h"
#include "gui/gifqueue.h"
#include "gui/progressbar.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "platform/job.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "resource/pack.h"
#include "resource/pictures.h"
#include "resource/tga.h"
#include "resource/user.h"
#include "transfer/backup.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "wavelib/card.h"
#include "wavelib/kitsave.h"
#include "wavelib/order.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

namespace {

// Most codes a context menu holds.
constexpr int kPopupMax = 8;
// The backup archive's name in the folder the user picks.
constexpr const char *kBackupName = "KVB-RT-BKUP-ALL.kvb";
// Room for a path from outside (a dropped file, a chosen folder).
constexpr size_t kPathCap = kStoragePathMax;

struct sMainCtl {
    _sWindow *window;
    _sEvQueue *queue;     // the window's events
    _sEvQueue *req;       // notifications for the screen
    CgifUIWaveUtility *screen;
    void *waveCursor;     // drag cursors (null when the host has none)
    void *tagCursor;
    // Set from worker threads (the jobs), read on the main thread.
    std::atomic<int> closeRequest;
    std::atomic<int> errClose;
    std::atomic<int> updateRequest;
    int storageCancelled;
    int parentRefused;
    int volumeRead;
    int backupSave;
    int backupRestore;
    int openRequest[MAIN_WINDOW_COUNT];
    int openCmbRequest;
    int menuPending;      // context menus asked for and not shown yet
    int menuCodes[kPopupMax];
    int menuCount;
    int menuShowing;
    int forcing;          // boxes, dialogs and secondary windows open
    int moved;            // the window moved or was resized during this step
    int deleteBatch;      // the deletion gesture last asked about (message 58), -1 none
    int deleteYes;        // its answer
    int dropBatch;        // the drop gesture refused (message 77), -1 none
    int closing;          // usiClose has shut everything down
    sMainSecondary secondary[MAIN_WINDOW_COUNT];
};

sMainCtl gM{};

// --- Small helpers -------------------------------------------------------------------

void post(int code, intptr_t value, const char *text = nullptr) {
    if (gM.req) evQenterExt(uint16_t(code), value, 0, text, gM.req);
}

bool cardGone() { return usiCardGone(); }

// Whether the program has been shut down under the current call (usiClose
// ran and the window is gone): nothing of the window may be touched then.
bool gone() { return gM.closing || !gM.window; }

// The card has gone under a command: say so once and close without a question.
void cardGoneClose() {
    editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
    editWaveUtilitySetWindowErrCloseRequest();
}

// Present what the screen drew, over the rectangle it names.
void present() {
    CgifUIWaveUtility *s = gM.screen;
    s->draw();
    if (!s->getGraphicsFinish()) return;
    int x = 0, y = 0, w = 0, h = 0;
    s->getDrawFrameSize(&x, &y, &w, &h);
    if (x == 0 && y == 0 && w == 800 && h == 600) ghostWindowSwapBuffersRect(gM.window, 0, 0, 0, 0);
    else ghostWindowSwapBuffersRect(gM.window, x, y, w, h);
    ghostGraphicsFinish(gM.window);
}

// The redraw of the modal paths: notifications waiting are dropped (the
// library is about to change under them), the player is shown stopped.
void utilityDraw() {
    if (!gM.screen || ghostActivateWindowDrawingContext(gM.window) != 0) return;
    while (evQread(nullptr, nullptr, nullptr, 0, gM.req)) {}
    gM.screen->calcEvent(MW_REQ_STOPPED, 0, nullptr);
    gM.screen->calc(0, 0, 0, nullptr);
    present();
}

void stopAndDraw() {
    editWaveUtilityWaveStop(0, 1);
    utilityDraw();
}

int mboxHook(int title, int text, int kind) { return editWaveUtilityMboxOpen(title, text, kind); }

sWaveList *library() { return G.currentWaveList; }

bool secondaryOpen(int which) {
    const sUsiWindow &w = gM.secondary[which].window;
    return w.isOpen && w.isOpen(w.user);
}

void requestOpen(int which) {
    if (!secondaryOpen(which)) gM.openRequest[which] = 1;
}

// --- Preview --------------------------------------------------------------------------

void postPosition() {
    if (waveWaveIsCreate() != 0) return;
    if (waveWaveGetPlaying() == 0) post(MW_REQ_POSITION, intptr_t(waveWaveGetPosition() * 1000.0f + 0.5f));
    else if (waveWaveGetIsEnd() == 1) post(MW_REQ_ENDED, 0);
}

// Message 19: the wave (or none) becomes the selected one and the player
// shows its facts.
void selectWave(sWave *wave) {
    if (waveWaveSelect(wave) < 0) {
        // No player: the buttons pressed for it must not stay held.
        evQenterExt(WEV_MOUSE_LEFT, 0, 0, nullptr, gM.queue);
        evQenterExt(WEV_MOUSE_MIDDLE, 0, 0, nullptr, gM.queue);
    }
    char total[32];
    std::snprintf(total, sizeof total, "%llu", static_cast<unsigned long long>(waveWaveGetTotTime()));
    post(MW_REQ_TOTAL_TIME, 0, wave && waveWaveIsCreate() == 0 ? total : "");
    post(MW_REQ_CHANNELS, wave ? waveWaveGetChannels() : 0);
    post(MW_REQ_FILE_SIZE, wave ? intptr_t(waveWaveGetFilesize()) : 0);
    editWaveUtilityMenuOnOff(1003, wave != nullptr);
    editWaveUtilityMenuWaveAndPadAble();
}

// --- Pads --------------------------------------------------------------------------------

// The slot of the selected pad that an assignment or release acts on.
bool padSlotWave(const sPad *pad, int sub) { return (sub ? wavePadSubWaveNumber(pad) : wavePadWaveNumber(pad)) >= 0; }

void selectPadSlot(int slot) {
    sKit *kit = waveKitSelectPtr();
    if (slot < 0 || !kit) wavePadSelect(nullptr, 0);
    else wavePadSelect(waveKitPadPtr(kit, slot / 2), slot & 1);
    editWaveUtilityMenuWaveAndPadAble();
}

// --- Deleting categories, dropping files ----------------------------------------------

void deleteTag(sTag *tag, int batch) {
    sWaveList *list = library();
    if (!list || !tag) return;
    if (gM.deleteBatch != batch) {
        gM.deleteBatch = batch;
        gM.deleteYes = editWaveUtilityMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_DELETE_TAGS, MBOX_KIND_YES_NO) == MBOX_YES;
    }
    if (!gM.deleteYes) return;
    if (waveTagDispose(list, tag) < 0) return;
    waveTagSaveRequest();
    waveListSortItAllRequest();
    waveTagSelect(nullptr);
    editWaveUtilityUpdateRequest();
}

// Files dropped on a category (37) or a pad (38): imported through the
// request step into the category the value names.
void dropFiles(int message, sTag *tag, int batch) {
    sWaveList *list = library();
    if (!list) return;
    int count = ghostDragCount();
    if (message == MW_MSG_DROP_PAD) {
        stopAndDraw();
        if (count > 1) {
            editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_DROP_MANY_FILES, MBOX_KIND_OK);
            gM.dropBatch = batch;
            return;
        }
    }
    if (gM.dropBatch == batch) return;
    int category = waveTagNumber(list, tag ? tag : list->defaultTag);
    if (category < 0) return;
    stopAndDraw();
    int requested = 0;
    for (int i = 0; i < count; i++) {
        const char *path = ghostDragCount(i);
        if (!path) continue;
        // A path that would be cut is another file: refuse it by name.
        if (std::strlen(path) >= kPathCap) {
            editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_PATH, path), MBOX_KIND_OK);
            continue;
        }
        if (waveImportSetRequest(category, path) == 0) requested++;
    }
    if (requested && message == MW_MSG_DROP_PAD) waveImportSetPadAssign();
    if (requested) waveListWaveImportSelectReqeust();
}

// --- Screen messages ---------------------------------------------------------------------

void doCalcGifQueue() {
    intptr_t value = 0, param = 0;
    char text[128];
    while (int32_t msg = gifQread(&value, &param, text, sizeof text, G.gifQueue)) {
        if (gone()) return;
        sWaveList *list = library();
        switch (msg) {
        case MW_MSG_PLAY: waveWavePlay(); break;
        case MW_MSG_STOP:
            waveWaveStop();
            post(MW_REQ_STOPPED, 0);
            break;
        case MW_MSG_LOOP: waveWaveSetLoop(int(value)); break;
        case MW_MSG_POSITION: waveWaveSetPosition(float(value) / 1000.0f); break;
        case MW_MSG_VOLUME:
            userSetPlayerVolume(int(value));
            waveWaveSetVolume(float(value) / 1000.0f);
            break;
        case MW_MSG_OPEN_IMPORT: requestOpen(MAIN_WINDOW_IMPORT); break;
        case MW_MSG_EXPORT:
            if (value) waveExportSetRequest(reinterpret_cast<sWave *>(value));
            break;
        case MW_MSG_OPEN_CATEGORY: requestOpen(MAIN_WINDOW_CATEGORY); break;
        case MW_MSG_OPEN_WAVEEDIT: requestOpen(MAIN_WINDOW_WAVEEDIT); break;
        case MW_MSG_DELETE_WAVE: waveWaveDisposeFileRequest(reinterpret_cast<sWave *>(value), 1); break;
        case MW_MSG_SELECT_WAVE: selectWave(reinterpret_cast<sWave *>(value)); break;
        case MW_MSG_TAG_SAVE:
        case 23:
        case 24: waveTagSaveRequest(); break;
        case MW_MSG_DELETE_TAG: deleteTag(reinterpret_cast<sTag *>(value), int(param)); break;
        case MW_MSG_MOVE_WAVE:
            if (value && waveTagSelectPtr()) {
                waveWaveTagChange(reinterpret_cast<sWave *>(value), waveTagSelectPtr());
                editWaveUtilityUpdateRequest();
                waveListSortItAllRequest();
            }
            break;
        case MW_MSG_SELECT_TAG: waveTagSelect(reinterpret_cast<sTag *>(value)); break;
        case MW_MSG_TAG_BEFORE:
        case MW_MSG_TAG_AFTER:
            if (list && waveTagSelectPtr() && value) {
                // The selected category moves next to the one named.
                sTag *anchor = reinterpret_cast<sTag *>(value);
                if (msg == MW_MSG_TAG_BEFORE) waveTagReplacementBefore(list, anchor, waveTagSelectPtr());
                else waveTagReplacementAfter(list, anchor, waveTagSelectPtr());
                waveTagSaveRequest();
            }
            break;
        case MW_MSG_KIT_NAME:
        case MW_MSG_KIT_SUBNAME: {
            if (cardGone()) {
                cardGoneClose();
                break;
            }
            sKit *kit = waveKitSelectPtr();
            if (!kit) break;
            if (msg == MW_MSG_KIT_NAME) waveKitName(kit, text);
            else waveKitSubName(kit, text);
            waveKitIsFile(kit, 1);
            waveKitEdit(kit);
            waveKitSaveRequest();
            post(msg == MW_MSG_KIT_NAME ? MW_REQ_KIT_NAME : MW_REQ_KIT_SUBNAME, 0);
            break;
        }
        case MW_MSG_SELECT_KIT: waveKitSelect(waveListKitPtr(list, int(value))); break;
        case MW_MSG_SELECT_PAD: selectPadSlot(int(value)); break;
        case MW_MSG_ASSIGN: padAssignAndKitCreateFile(); break;
        case MW_MSG_RELEASE:
            if (padRelease() == 0 && waveKitSelectPtr()) {
                waveKitEdit(waveKitSelectPtr());
                waveKitSaveRequest();
            }
            break;
        case MW_MSG_PAD_EXCHANGE: waveWavePadExchangeRequest(); break;
        case MW_MSG_DROP_TAG:
        case MW_MSG_DROP_PAD: dropFiles(msg, reinterpret_cast<sTag *>(value), int(param)); break;
        case MW_MSG_CURSOR_DRAG: {
            void *c = value ? gM.waveCursor : gM.tagCursor;
            if (c) ghostCursorSetCustomShapeEx(gM.window, c);
            break;
        }
        case MW_MSG_CURSOR_ARROW: ghostCursorSetShape(gM.window, 0); break;
        case MW_MSG_DRAG_WAVE: waveWaveDrag(reinterpret_cast<sWave *>(value)); break;
        case MW_MSG_MBOX_68: editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NOT_POSSIBLE, MBOX_KIND_OK); break;
        case MW_MSG_MBOX_78: editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_DROP_MANY_WAVES, MBOX_KIND_OK); break;
        case MW_MSG_CLOSE: gM.closeRequest = 1; break;
        default: break;
        }
    }
}

// --- Commands ---------------------------------------------------------------------------

void openHelp() {
    // The help document of the interface language, beside the program's data.
    char folder[kPathCap];
    std::string path;
    if (ghostGetDataPath(folder, sizeof folder, "document") == 0)
        path = std::string(folder) + "/KVB-RT_Wave_Manager_" + osGetISO() + ".pdf";
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || ghostExecute(path.c_str()) != 0)
        editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_NOT_POSSIBLE, path.c_str()),
                                   MBOX_KIND_OK);
}

void backupRestoreCommand() {
    if (cardGone()) {
        cardGoneClose();
        return;
    }
    stopAndDraw();
    ghostWindowAllMenuOnOff(0);
    if (editWaveUtilityMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_RESTORE, MBOX_KIND_YES_NO) == MBOX_YES)
        gM.backupRestore = 1;
    ghostWindowAllMenuOnOff(1);
}

void doCommand(int code, intptr_t value) {
    switch (code) {
    case WEV_RESIZED: {
        int w = 800, h = 600;
        ghostWindowGetSize(&w, &h, gM.window);
        gM.screen->setWindowSize(w, h);
        gM.moved = 1;
        break;
    }
    case WEV_MOVED: gM.moved = 1; break;
    case WEV_STORAGE_SELECTED:
        if (value) gM.volumeRead = 1;
        else {
            gM.closeRequest = 1;
            gM.storageCancelled = 1;
        }
        break;
    case 1021: editWaveUtilityMboxOpen(DNASTR_MENU_ABOUT, DNASTR_ABOUT_TEXT, MBOX_KIND_OK); break;
    case 1022: openHelp(); break;
    case 1002: requestOpen(MAIN_WINDOW_IMPORT); break;
    case 1003:
        // The File menu's export acts on the selected wave as the context
        // menu's export does.
        if (gpSelectWave) waveExportSetRequest(gpSelectWave);
        break;
    case 1004:
        if (cardGone()) cardGoneClose();
        else gM.backupSave = 1;
        break;
    case 1005: backupRestoreCommand(); break;
    case 1016: requestOpen(MAIN_WINDOW_CATEGORY); break;
    case 1017:
    case 1028: requestOpen(MAIN_WINDOW_WAVEEDIT); break;
    case 1018: requestOpen(MAIN_WINDOW_KIT); break;
    case 1019:
        waveListRenumberingRequest();
        editWaveUtilityUpdateRequest();
        break;
    case 1008:
    case 1009:
    case 1010: editWaveUtilityUpdateRequest(); break;
    case 1014:
        if (padAssignAndKitCreateFile() == 0) post(MW_REQ_ASSIGNED, reinterpret_cast<intptr_t>(gpSelectWave));
        break;
    case 1015:
        if (padRelease() == 0 && waveKitSelectPtr()) {
            waveKitEdit(waveKitSelectPtr());
            waveKitSaveRequest();
        }
        break;
    case WEV_MOUSE_X:
    case WEV_MOUSE_Y: postPosition(); break;
    default: break;
    }
}

// --- Secondary windows ---------------------------------------------------------------------

void originFrontOrder() {
    if (ghostActivateWindowDrawingContext(gM.window) != 0) return;
    for (int i = 0; i < 10; i++) ghostEventsProcess(0);
    ghostWindowActivate(gM.window);
}

// The one way a secondary window opens: modal, in a nested loop, the main
// window drawn but deaf until it closes.
void openSecondary(int which) {
    gM.openRequest[which] = 0;
    sMainSecondary &s = gM.secondary[which];
    if (!s.open) return;
    sMainSecondary &popup = gM.secondary[MAIN_WINDOW_POPUP];
    bool isPopup = which == MAIN_WINDOW_POPUP;
    bool withPopup = which == MAIN_WINDOW_IMPORT || which == MAIN_WINDOW_WAVEEDIT;
    editWaveUtilityWaveStop(1, 1);
    if (gone()) return;
    if (!isPopup) edtiWaveUtilityAble(0);
    utilityDraw();
    if (!isPopup) ghostWindowAllMenuOnOff(0);
    if (isPopup && s.setParent) s.setParent(s.window.user, gM.window, gM.req);
    if (which == MAIN_WINDOW_WAVEEDIT && s.addSelectedWave) {
        for (int i = 0; i < gM.screen->getWaveListSelectNum(); i++)
            if (gM.screen->getWaveListSelectType(i) == 1)
                s.addSelectedWave(s.window.user, static_cast<sWave *>(gM.screen->getWaveListSelectPtr(i)));
    }
    if (s.open(s.window.user) == 0) {
        if (withPopup && popup.setParent) {
            _sWindow *w = s.getWindow ? s.getWindow(s.window.user) : nullptr;
            _sEvQueue *q = s.getReqQueue ? s.getReqQueue(s.window.user) : nullptr;
            popup.setParent(popup.window.user, w ? w : gM.window, q ? q : gM.req);
        }
        usiRunNested(&s.window, withPopup ? &popup.window : nullptr);
    }
    if (s.window.term) s.window.term(s.window.user);
    if (withPopup && popup.window.term) popup.window.term(popup.window.user);
    if (which == MAIN_WINDOW_IMPORT) post(MW_REQ_IMPORT_CLOSED, 0);
    if (which == MAIN_WINDOW_WAVEEDIT) {
        bool deleted = s.endedByDelete && s.endedByDelete(s.window.user);
        if (deleted) waveListOperationWaveDelete();
        else {
            bool tags = false;
            for (int i = 0; i < gM.screen->getWaveListSelectNum(); i++) {
                void *p = gM.screen->getWaveListSelectPtr(i);
                if (gM.screen->getWaveListSelectType(i) == 1) waveListOperationWave(static_cast<sWave *>(p));
                else tags = waveListOperationTag(static_cast<sTag *>(p)) == 0 || tags;
            }
            if (tags) post(MW_REQ_TAGS_TOUCHED, 0);
            post(MW_REQ_WAVES_TOUCHED, 0);
        }
    }
    if (!isPopup) edtiWaveUtilityAble(1);
    editWaveUtilityUpdateRequest();
    originFrontOrder();
    if (!isPopup) ghostWindowAllMenuOnOff(1);
}

// --- Volume, backup ------------------------------------------------------------------------

void openVolume() {
    gM.volumeRead = 0;
    gM.parentRefused = 1;
    const char *root = ghostDlgStorageRootPtr();
    if (int opened = usiCardOpen(root); opened != 0) {
        // A card in use has been explained already.
        if (opened == -1)
            editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_CARD_OPEN, root), MBOX_KIND_OK);
        ghostDlgOpen(nullptr, 0, gM.window);
    } else if (wavelistCreateCurrent(G.volumeRoot, 1) == 0) {
        sWaveList *list = library();
        waveKitSelect(waveListKitPtr(list, gM.screen->kitIndex));
        gM.screen->update();
        ghostWindowSetDraw(gM.window, 1);
        ghostActivateWindowDrawingContext(gM.window);
        ghostEventsProcess(0);
        ghostWindowActivate(gM.window);
        for (int i = 0; i < 2; i++) {
            gM.screen->calc(WEV_REDRAW, 1, 0, nullptr);
            present();
        }
    } else {
        usiCardRelease();
    }
    gM.parentRefused = 0;
}

void folderSetting(const wchar_t *(*get)(void), char *out, size_t cap) {
    if (wcs2utf8s(out, cap, get()) < 0 && cap) out[0] = 0;
}

void storeFolder(int (*set)(const wchar_t *), const char *folder) {
    std::vector<wchar_t> wide(kPathCap);
    if (utf8towchar(wide.data(), wide.size(), folder) >= 0) set(wide.data());
}

void backupSave() {
    gM.backupSave = 0;
    sWaveList *list = library();
    if (!list) return;
    ghostWindowAllMenuOnOff(0);
    stopAndDraw();
    char start[kPathCap], folder[kPathCap];
    folderSetting(userGetBackupExportDefaultPathPtr, start, sizeof start);
    if (editWaveUtilityDirDlg(folder, sizeof folder, start, DNASTR_PROMPT_BACKUP_SAVE)) {
        storeFolder(userSetBackupExportDefaultPathPtr, folder);
        // The edits still only requested belong in the backup.
        waveTagSaveRequest();
        waveDoCalc(list);
        if (!gM.errClose) waveBackupSave(list, folder, 0, nullptr);
        gM.screen->update();
        editWaveUtilityUpdateRequest();
    }
    ghostWindowAllMenuOnOff(1);
}

// Returns 0 when a restore ran and a library was read back; -1 when the
// user cancelled; -2 when the restore failed (said) and the old library stays.
int wavelistBackupImport() {
    char start[kPathCap], folder[kPathCap];
    for (;;) {
        folderSetting(userGetBackupImportDefaultPathPtr, start, sizeof start);
        if (!editWaveUtilityDirDlg(folder, sizeof folder, start, DNASTR_PROMPT_BACKUP_RESTORE)) return -1;
        storeFolder(userSetBackupImportDefaultPathPtr, folder);
        std::string archive = std::string(folder) + kBackupName;
        if (FILE *f = std::fopen(archive.c_str(), "rb")) {
            std::fclose(f);
            sBackupResult result{};
            int status = waveBackupRestore(G.volumeRoot, archive.c_str(), RESTORE_CONFIRMED, &result);
            // Cut off past the point of rolling back: the card needs its
            // repair before anything more is written to it.
            if (status == BACKUP_PENDING) return -3;
            if (status != BACKUP_DONE) return -2;
            // The card's files changed under the library: read it again.
            sWaveList *old = library();
            if (old) {
                rliListRemLink(&G.waveLists, old);
                waveListDispose(old);
            }
            if (wavelistCreateCurrent(G.volumeRoot, 0) != 0) return -3;
            waveKitSelect(waveListKitPtr(library(), gM.screen->kitIndex));
            return 0;
        }
        editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NO_BACKUP, MBOX_KIND_OK);
    }
}

void backupRestore() {
    gM.backupRestore = 0;
    if (!library()) return;
    stopAndDraw();
    ghostWindowAllMenuOnOff(0);
    sWave *selected = gpSelectWave;
    selectWave(nullptr);
    int r = wavelistBackupImport();
    if (r == 0) {
        editWaveUtilityMenuOnOff(1003, 0);
        editWaveUtilityMenuOnOff(1017, 0);
    } else if (r == -3) {
        // The card no longer reads as a card: nothing is left to show or save.
        editWaveUtilitySetWindowErrCloseRequest();
    } else {
        selectWave(selected);
    }
    if (library()) gM.screen->update();
    editWaveUtilityUpdateRequest();
    ghostWindowAllMenuOnOff(1);
}

// --- Close ------------------------------------------------------------------------------------

// Returns true when the program was shut down (nothing of the window is left).
bool closeDecision() {
    gM.closeRequest = 0;
    gM.parentRefused = 1;
    editWaveUtilityWaveStop(0, 1);
    utilityDraw();
    int how = gM.errClose ? USI_CLOSE_ERROR : gM.storageCancelled ? USI_CLOSE_CANCELLED : USI_CLOSE_ASK;
    gM.parentRefused = 0;
    if (how != USI_CLOSE_ASK) ghostWindowSetDraw(gM.window, 0);
    gM.closing = 1;
    if (usiClose(how)) return true;
    gM.closing = 0;
    return false;
}

// --- Hooks for the layers below -------------------------------------------------------------

void hookPost(void *, int code, int value) { post(code, value); }
int hookMbox(void *, int title, int text, int kind) { return editWaveUtilityMboxOpen(title, text, kind); }

void installHooks() {
    sWaveCalcHooks calc{};
    calc.messageBox = hookMbox;
    calc.redraw = [](void *) { editWaveUtilityUpdateRequest(); };
    calc.closeRequest = [](void *) { editWaveUtilitySetWindowCloseRequest(); };
    calc.errorCloseRequest = [](void *) { editWaveUtilitySetWindowErrCloseRequest(); };
    calc.postRequest = hookPost;
    calc.menuOnOff = [](void *, int code, int on) { editWaveUtilityMenuOnOff(code, on); };
    calc.menuWaveAndPadAble = [](void *) { editWaveUtilityMenuWaveAndPadAble(); };
    calc.resetWaveParameter = [](void *) { editWaveUtilityResetWaveParameter(); };
    waveDoCalcSetHooks(&calc);
    sWavePlayerHooks player{};
    player.postRequest = hookPost;
    player.messageBox = hookMbox;
    player.errorClose = [](void *) { editWaveUtilitySetWindowErrCloseRequest(); };
    waveWavePlayerSetHooks(&player);
    waveExportSetDirChooser(
        [](void *, char *buf, size_t cap) {
            char start[kPathCap];
            folderSetting(userGetWaveExportDefaultPathPtr, start, sizeof start);
            int r = editWaveUtilityDirDlg(buf, cap, start, DNASTR_PROMPT_WAVE_EXPORT);
            if (r) storeFolder(userSetWaveExportDefaultPathPtr, buf);
            return r;
        },
        nullptr);
}

void queueEvent(_sWindow *, void *, uint16_t code, int32_t value, char key, const char *text) {
    evQenterExt(code, value, key, text, gM.queue);
}

// A drag cursor from a pack picture: its pixels are stored blue, green, red,
// alpha and bottom row first; the host wants RGBA top row first.
void *makeCursor(int picture) {
    sTgaInfo info{};
    const uint8_t *data = fileGetPtr(picture);
    if (!data || tgaParse(data, fileGetSize(picture), &info, nullptr, 0) != 0) return nullptr;
    std::vector<uint8_t> rgba = tgaToRgba(info);
    return ghostCursorCreateCustomShapeEx(gM.window, rgba.data(), info.width, info.height, 3, 3);
}

}  // namespace

// --- Installing ---------------------------------------------------------------------------

void editWaveUtilityInstall(const sMainSecondary *secondary) {
    for (int i = 0; i < MAIN_WINDOW_COUNT; i++) gM.secondary[i] = secondary ? secondary[i] : sMainSecondary{};
    sUsiControllers c{};
    c.mainInit = [](void *) { return editWaveUtilityInit(); };
    c.mainStep = [](void *, int parentMode) { editWaveUtilityMain(parentMode); };
    c.mainTerm = [](void *) { editWaveUtilityTerm(); };
    c.messageBox = [](void *, int title, int text, int kind) { return editWaveUtilityMboxOpen(title, text, kind); };
    for (int i = 0; i < MAIN_WINDOW_COUNT && c.secondaryCount < kUsiSecondaryMax; i++)
        if (gM.secondary[i].window.step || gM.secondary[i].window.isOpen) c.secondary[c.secondaryCount++] = gM.secondary[i].window;
    c.ghost.forcingUpdate = [](void *, int on) { editWaveUtilityForcingUpdate(on); };
    c.ghost.waveStop = [](void *, int pass, int endEdit) { editWaveUtilityWaveStop(pass, endEdit); };
    c.ghost.forcingDraw = [](void *) { editWaveUtilityForcingDraw(); };
    c.ghost.parentsRefused = [](void *) { return editWaveUtilityParentsRefused(); };
    usiSetControllers(&c);
    installHooks();
}

// --- Life cycle -----------------------------------------------------------------------------

int editWaveUtilityInit(void) {
    if (!gM.window) {
        int x = 0, y = 0;
        if (!userGetWinUtilityInit()) userGetWinUtility(&x, &y);
        gM.window = ghostWindowCreate(L"KVB-RT Wave Manager", x, y, 800, 600, 800, 600, 800, 600, 0, 1, 0, 1, 1, 0);
        if (!gM.window) return -1;
        ghostWindowSetHandler(queueEvent, nullptr, gM.window);
        ghostGraphicsFinish(gM.window);
        ghostWindowSetDraw(gM.window, 0);
        gM.deleteBatch = gM.dropBatch = -1;
    }
    for (int code : {1003, 1014, 1015, 1017}) ghostWindowSetMenuOnOff(gM.window, code, 0);
    for (int code : {1002, 1016, 1018}) ghostWindowSetMenuOnOff(gM.window, code, 1);
    if (!gM.queue) gM.queue = evQInit();
    if (!gM.req) gM.req = evQInit();
    // The toolkit's message queue and its progress window serve every job
    // from the card's scan to the save on closing.
    if (!G.gifQueue) G.gifQueue = gifQInit();
    if (!gM.queue || !gM.req || !G.gifQueue) return -1;
    editProgressBarSetView(gifProgressBarView());
    if (!gM.screen) {
        gM.screen = new CgifUIWaveUtility;
        if (!gM.screen || ghostActivateWindowDrawingContext(gM.window) != 0) return -1;
        gM.screen->setWindowSize(800, 600);
        if (!gM.screen->init()) return -1;
        gM.screen->calc(WEV_REDRAW, 1, 0, nullptr);
        present();
        ghostDlgOpen(nullptr, 0, gM.window);
        gM.waveCursor = makeCursor(eFILE_CURSOR_WAVE);
        gM.tagCursor = makeCursor(eFILE_CURSOR_CATEGORY);
        ghostCursorSetShape(gM.window, 0);
    }
    return 0;
}

void editWaveUtilityMain(int parentMode) {
    if (gone()) return;
    postPosition();
    for (;;) {
        ghostActivateWindowDrawingContext(gM.window);
        if (evQcount(gM.queue) == 0) ghostEventsProcess(0);
        intptr_t value = 0;
        char key = 0;
        char text[kPathCap];
        uint16_t code = evQread(&value, &key, text, sizeof text, gM.queue);
        if (parentMode) code = 0, value = 0, key = 0;
        // Inside a secondary window's loop a close waits until it has closed.
        if (!parentMode && (code == WEV_CLOSE_BOX || code == 1006 || gM.closeRequest)) {
            if (closeDecision()) return;
            continue;
        }
        doCommand(code, value);
        if (gone()) return;
        if (gM.updateRequest.exchange(0)) gM.screen->update();
        gM.screen->calc(code, int16_t(value), key, code && text[0] ? text : nullptr);
        doCalcGifQueue();
        if (gone()) return;
        intptr_t v = 0;
        char t[64];
        while (uint16_t c = evQread(&v, nullptr, t, sizeof t, gM.req)) gM.screen->calcEvent(c, v, t);
        present();
        if (!code) break;
    }
    if (parentMode || gM.forcing) return;
    if (!gM.menuShowing && gM.menuPending > 0) {
        gM.menuShowing = 1;
        editWaveUtilityWaveStop(0, 0);
        utilityDraw();
        ghostWindowPopupMenuCreate(gM.window, gM.menuCount, gM.menuCodes);
        gM.menuShowing = 0;
        gM.menuPending--;
    }
    if (gM.moved) {
        gM.moved = 0;
        int x = 0, y = 0;
        ghostWindowGetWindowPosition(&x, &y, gM.window);
        userSetWinUtility(x, y);
    }
    waveWaveDoCalc();
    if (waveListOperationWaveFirstPtr()) post(MW_REQ_WAVES_TOUCHED, 0);
    if (waveListOperationTagFirstPtr()) post(MW_REQ_TAGS_TOUCHED, 0);
    if (gM.openCmbRequest) {
        gM.openCmbRequest = 0;
        gM.openRequest[MAIN_WINDOW_POPUP] = 1;
    }
    for (int i = 0; i < MAIN_WINDOW_COUNT && !gone(); i++)
        if (gM.openRequest[i]) openSecondary(i);
    if (gone()) return;
    if (gM.volumeRead) openVolume();
    if (gM.backupRestore) backupRestore();
    if (gM.backupSave) backupSave();
    if (gM.closeRequest) closeDecision();
}

void editWaveUtilityTerm(void) {
    editProgressBarSetView(nullptr);
    waveDoCalcSetHooks(nullptr);
    waveWavePlayerSetHooks(nullptr);
    waveExportSetDirChooser(nullptr, nullptr);
    if (gM.screen && gM.window) ghostActivateWindowDrawingContext(gM.window);
    delete gM.screen;
    gifQTerm(G.gifQueue);
    G.gifQueue = nullptr;
    evQTerm(gM.req);
    evQTerm(gM.queue);
    if (gM.window) {
        ghostWindowSetDraw(gM.window, 0);
        ghostWindowDispose(gM.window);
    }
    sMainSecondary keep[MAIN_WINDOW_COUNT];
    std::memcpy(static_cast<void *>(keep), gM.secondary, sizeof keep);
    gM.~sMainCtl();
    new (&gM) sMainCtl{};
    std::memcpy(static_cast<void *>(gM.secondary), keep, sizeof keep);
    installHooks();
}

// --- Dialogs ---------------------------------------------------------------------------------

int editWaveUtilityMboxOpen(int title, int message, int kind) {
    return editWaveUtilityMboxOpenMsg(title, dnaStrGetPtr(message), kind);
}

int editWaveUtilityMboxOpenMsg(int title, const wchar_t *text, int kind) {
    return ghostMBoxOpen(dnaStrGetPtr(title), text, kind, gM.window);
}

int editWaveUtilityDirDlg(char *buf, size_t cap, const char *startFolder, int title) {
    return ghostDirDlgOpen(buf, cap, gM.window, startFolder, 0, dnaStrGetPtr(title));
}

// --- Requests --------------------------------------------------------------------------------

void editWaveUtilityUpdateRequest(void) { gM.updateRequest = 1; }
void editWaveUtilitySetWindowCloseRequest(void) { gM.closeRequest = 1; }
void editWaveUtilitySetWindowErrCloseRequest(void) {
    gM.closeRequest = 1;
    gM.errClose = 1;
}
_sEvQueue *editWaveUtilityGetReqEventPtr(void) { return gM.req; }
_sWindow *editWaveUtilityGetWindow(void) { return gM.window; }
CgifUIWaveUtility *editWaveUtilityGetScreen(void) { return gM.screen; }

void editWaveUtilityPopupMenuCreate(int count, const int *codes) {
    gM.menuCount = count < 0 ? 0 : count > kPopupMax ? kPopupMax : count;
    for (int i = 0; i < gM.menuCount; i++) gM.menuCodes[i] = codes[i];
    gM.menuPending++;
}

void editWaveUtilityOpenCmbBox(void) { gM.openCmbRequest = 1; }

// --- The window ------------------------------------------------------------------------------

void editWaveUtilityMenuOnOff(int code, int on) { ghostWindowSetMenuOnOff(gM.window, code, on); }

void editWaveUtilityMenuWaveAndPadAble(void) {
    sPad *pad = wavePadSelectPtr();
    editWaveUtilityMenuOnOff(1017, gpSelectWave != nullptr);
    editWaveUtilityMenuOnOff(1014, gpSelectWave && pad);
    if (pad) editWaveUtilityMenuOnOff(1015, padSlotWave(pad, wavePadSelectSub()));
}

void editWaveUtilityWaveStop(int pass, int endEdit) {
    if (endEdit && gM.screen) {
        gM.screen->endTextEdit();
        ghostActivateWindowDrawingContext(gM.window);
        gM.screen->calc(WEV_REDRAW, 1, 0, nullptr);
        doCalcGifQueue();
        present();
    }
    if (editWaveUtilityGetNowPlayingWave() == 0) {
        waveWaveStop();
        post(MW_REQ_STOPPED, 0);
    }
    if (pass && !gone()) editWaveUtilityMain(0);
}

void editWaveUtilityForcingUpdate(int on) { gM.forcing += on ? 1 : (gM.forcing > 0 ? -1 : 0); }
int editWaveUtilityForcingUpdate(void) { return gM.forcing; }
int editWaveUtilityParentsRefused(void) { return gM.parentRefused; }

void edtiWaveUtilityAble(int on) {
    ghostWindowSetAble(gM.window, on);
    editWaveUtilityForcingUpdate(on ? 0 : 1);
}

void editWaveUtilityWindowCenterPosition(int *x, int *y) {
    *x = *y = 0;
    if (!gM.window) return;
    int w = 0, h = 0;
    ghostWindowGetWindowPosition(x, y, gM.window);
    ghostWindowGetSize(&w, &h, gM.window);
    *x += w / 2;
    *y += h / 2;
}

void editWaveUtilityWindowActive(void) {
    ghostEventsProcess(0);
    ghostWindowActivate(gM.window);
}

void editWaveUtilityForcingDraw(void) { utilityDraw(); }

int editWaveUtilityGetNowPlayingWave(void) { return waveWaveIsCreate() == 0 && waveWaveGetPlaying() == 0 ? 0 : -1; }

void editWaveUtilityResetWaveParameter(void) {
    post(MW_REQ_TOTAL_TIME, 0, "");
    post(MW_REQ_CHANNELS, 0);
    post(MW_REQ_FILE_SIZE, 0);
}

// --- Library operations ------------------------------------------------------------------------

int wavelistCreateCurrent(const char *root, int progress) {
    sWaveList *list = nullptr;
    if (waveVolumeCheck(root) != 0) {
        // Only a card without the device folder is offered a new one: a
        // folder that is there and unreadable is the user's data.
        if (editWaveUtilityMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_CREATE_DEVICE_FOLDER, MBOX_KIND_YES_NO) != MBOX_YES) {
            ghostDlgOpen(nullptr, 0, gM.window);
            return -1;
        }
        if (wstorageCreateDir(root) < 0 || !(list = waveListCreateDefault())) {
            editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_CARD_OPEN, root), MBOX_KIND_OK);
            ghostDlgOpen(nullptr, 0, gM.window);
            return -1;
        }
        waveListSetCard(list, cardCreate(root));
        waveTagSaveRequest();
    } else {
        list = waveListCreateFromStorageWindowOpen(root, progress);
        if (!list) {
            char device[kPathCap];
            wstorageDevicePath(device, sizeof device, root, "");
            int err = EIO;
            if (DIR *d = opendir(device)) closedir(d);
            else err = errno;
            std::string msg = std::string(dnaStrGetUtf8Ptr(DNASTR_ERR_CARD_OPEN)) + "\n\n" + device + ": " + std::strerror(err);
            std::vector<wchar_t> wide(msg.size() + 1);
            if (utf8towchar(wide.data(), wide.size(), msg.c_str()) < 0) wide[0] = 0;
            editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, wide.data(), MBOX_KIND_OK);
            ghostDlgOpen(nullptr, 0, gM.window);
            return -1;
        }
        if (!wstorageTagListPrmExist(waveListStoragePtr(list))) waveTagSaveRequest();
    }
    G.currentWaveList = list;
    rliListAddTail(&G.waveLists, list);
    // Rows of a library read before point at records that are gone.
    if (gM.screen) gM.screen->list->forget();
    return 0;
}

int padAssignAndKitCreateFile(void) {
    sWaveList *list = library();
    sKit *kit = waveKitSelectPtr();
    sPad *pad = wavePadSelectPtr();
    if (gpSelectWave && kit && pad && waveWaveFileExistMbox(list, gpSelectWave, mboxHook) == 0) {
        waveKitIsFile(kit, 1);
        if (wavePadSelectSub()) wavePadSubWaveNumber(pad, gpSelectWave->waveNumber);
        else wavePadWaveNumber(pad, gpSelectWave->waveNumber);
        editWaveUtilityUpdateRequest();
        waveKitEdit(kit);
        waveKitSaveRequest();
        editWaveUtilityMenuWaveAndPadAble();
        return 0;
    }
    post(MW_REQ_ASSIGN_REFUSED, 0);
    return -1;
}

int padRelease(void) {
    stopAndDraw();
    ghostWindowAllMenuOnOff(0);
    int r = -1;
    if (editWaveUtilityMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_PAD_RELEASE, MBOX_KIND_YES_NO) == MBOX_YES) {
        sKit *kit = waveKitSelectPtr();
        sPad *pad = wavePadSelectPtr();
        if (cardGone()) cardGoneClose();
        else if (kit && pad) {
            waveKitIsFile(kit, 1);
            if (wavePadSelectSub()) wavePadSubWaveNumber(pad, -1);
            else wavePadWaveNumber(pad, -1);
            editWaveUtilityMenuWaveAndPadAble();
            editWaveUtilityUpdateRequest();
            r = 0;
        }
    }
    ghostWindowAllMenuOnOff(1);
    return r;
}
