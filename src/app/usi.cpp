// The program's spine. See usi.h.
#include "app/usi.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/cmdline.h"
#include "app/docalc.h"
#include "app/fileinit.h"
#include "app/journal.h"
#include "foundation/global.h"
#include "foundation/mem.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "resource/user.h"
#include "wavelib/card.h"
#include "wavelib/kitsave.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"

namespace {

sUsiControllers gCtl{};
const char *gDataFolder = nullptr;  // fileInit's folder for this run (null: installed)
int gFileInitResult = 0;
bool gFinished = true;              // nothing runs before usiStart
int gExitStatus = 0;
bool gCloseFailed = false;          // the close sequence could not save everything
int gCloseHow = USI_CLOSE_ASK;
bool gCardOpen = false;
sCard *gCard = nullptr;          // the open card's identity
sCardLock *gCardLock = nullptr;  // its lock, held while it is open

const char *kProgram = "kvb-rt-wave-manager";

void say(const char *what, const char *detail) { std::fprintf(stderr, "%s: %s%s%s\n", kProgram, what, detail ? ": " : "", detail ? detail : ""); }

int messageBox(int title, int text, int kind) {
    if (gCtl.messageBox) return gCtl.messageBox(gCtl.user, title, text, kind);
    return ghostMBoxOpen(dnaStrGetPtr(title), dnaStrGetPtr(text), kind, nullptr);
}

// --- Platform callbacks the spine supplies ---

void systemStart(void *) {
    ghostSetCurrentDir();
    gFileInitResult = fileInit(gDataFolder);
    userInit(&G.viewFlag);
}

const wchar_t *text(void *, int id) { return dnaStrGetPtr(id); }

void importFolderGet(void *, char *buf, size_t cap) {
    if (wcs2utf8s(buf, cap, userGetWaveImportDefaultPathPtr()) < 0 && cap) buf[0] = 0;
}

void importFolderSet(void *, const char *folder) {
    wchar_t wide[kUserPathMax];
    if (utf8towchar(wide, kUserPathMax, folder) >= 0) userSetWaveImportDefaultPathPtr(wide);
}

void installGhostCallbacks() {
    sGhostCallbacks cb = gCtl.ghost;
    if (!cb.systemStart) cb.systemStart = systemStart;
    if (!cb.text) cb.text = text;
    if (!cb.importFolderGet) cb.importFolderGet = importFolderGet;
    if (!cb.importFolderSet) cb.importFolderSet = importFolderSet;
    ghostSetCallbacks(&cb);
}

bool anySecondaryOpen() {
    for (int i = 0; i < gCtl.secondaryCount; i++) {
        const sUsiWindow &w = gCtl.secondary[i];
        if (w.isOpen && w.isOpen(w.user)) return true;
    }
    return false;
}

// The categories' names and open states, in display order, for the next run.
void storeCategories(const sWaveList *list) {
    int n = 0;
    for (auto *it = static_cast<const sListItem *>(list->tagOrder.first); it && n < kUserTagMax; it = it->next, n++) {
        const sTag *tag = static_cast<const sTag *>(it->item);
        userSetTagName(n, tag->name);
        userSetTagOpenStatus(n, tag->isOpen);
    }
    userSetTagNum(n);
}

// Serves what is still requested and writes the category list and the wave
// lists. Returns whether everything reached the card; each failure is named
// on stderr (the request step has already shown it).
bool saveLibrary(sWaveList *list) {
    int mark = rliListCount(&gWaveRequestFailure);
    bool ok = !usiCardGone();
    if (ok) {
        // A kit renamed just before closing is only requested so far.
        waveTagSaveRequest();
        waveDoCalc(list);
        ok = !usiCardGone() && waveListSave(list) == 0;
    }
    int i = 0;
    for (auto *f = static_cast<const sWaveRequestFailure *>(gWaveRequestFailure.first); f; f = f->next, i++) {
        if (i < mark) continue;
        ok = false;
        say(f->path[0] ? f->path : (f->name[0] ? f->name : "the card"), f->err ? std::strerror(f->err) : dnaStrGetUtf8Ptr(f->text));
    }
    if (!ok && i == mark) say(G.volumeRoot, "the library could not be saved");
    storeCategories(list);
    return ok;
}

void disposeLibraries() {
    while (auto *list = static_cast<sWaveList *>(G.waveLists.first)) {
        rliListRemLink(&G.waveLists, list);
        waveListDispose(list);
    }
    if (G.currentWaveList) waveListDispose(G.currentWaveList);
    G.currentWaveList = nullptr;
}

// Unmounts and ejects the card. Returns 0 when ejected, 1 when there was
// nothing to eject (a fixed disk or a plain folder), -1 when it was refused
// (reported).
int ejectCard(const char *root) {
    // Nothing of ours may keep the file system busy: not the loader's
    // current directory, not the process's working directory.
    ghostSetCurrentDir();
    if (chdir("/") != 0) say("/", std::strerror(errno));
    usiCardRelease();
    int r = ghostStorageEjectDrive(root);
    if (r < 0) {
        say(root, "the card could not be ejected");
        messageBox(DNASTR_TITLE_ERROR, DNASTR_ERR_EJECT, 0);
    }
    return r;
}

}  // namespace

// --- Controllers ------------------------------------------------------------------

void usiSetControllers(const sUsiControllers *controllers) { gCtl = controllers ? *controllers : sUsiControllers{}; }

// --- Running ----------------------------------------------------------------------

int usiLock(void) { return 1; }
void usiUnlock(void) {}

int usiInit(void) {
    if (gCtl.mainInit && gCtl.mainInit(gCtl.user) < 0) return -1;
    return 0;
}

void usiPass(void) {
    if (gFinished) return;
    if (gCtl.mainStep) gCtl.mainStep(gCtl.user, 0);
    for (int i = 0; i < gCtl.secondaryCount && !gFinished; i++) {
        const sUsiWindow &w = gCtl.secondary[i];
        if (w.step) w.step(w.user);
    }
    if (gFinished) return;
    waveDoCalc(G.currentWaveList);
    if (!gFinished && ghostQuitRequested() && !anySecondaryOpen()) usiClose(USI_CLOSE_QUIT);
}

int usiMain(void) {
    while (!gFinished) usiPass();
    return gExitStatus;
}

void usiRunNested(const sUsiWindow *window, const sUsiWindow *popup) {
    if (!window || !window->isOpen) return;
    bool cancelled = false;
    while (window->isOpen(window->user)) {
        if (!cancelled && ghostQuitRequested()) {
            // The system wants the program to end: the edit is dropped as its
            // Cancel would drop it, and the outer loop then closes.
            cancelled = true;
            if (popup && popup->cancel && popup->isOpen && popup->isOpen(popup->user)) popup->cancel(popup->user);
            if (window->cancel) window->cancel(window->user);
        }
        if (gCtl.mainStep) gCtl.mainStep(gCtl.user, 1);
        if (window->step) window->step(window->user);
        if (popup && popup->step) popup->step(popup->user);
    }
}

int usiFinished(void) { return gFinished ? 1 : 0; }
int usiExitStatus(void) { return gExitStatus; }

int usiStart(int argc, char **argv, const char *dataFolder) {
    gExitStatus = 0;
    gCloseFailed = false;
    gCloseHow = USI_CLOSE_ASK;
    gDataFolder = dataFolder;
    cmdlineReset();
    switch (cmdlineArgParse(argc, argv)) {
    case CMDLINE_HELP: std::fputs(cmdlineUsage(), stdout); return 0;
    case CMDLINE_VERSION: std::printf("%s %s\n", kProgram, KVB_VERSION); return 0;
    default: break;
    }
    if (!usiLock()) return 0;
    gFinished = false;
    gCardOpen = false;
    rkeGlobalInit();
    installGhostCallbacks();
    gFileInitResult = 0;
    if (ghostInit() < 0) {
        say("the window system cannot be started", nullptr);
        rkeGlobalTerm();
        gFinished = true;
        return 1;
    }
    if (gFileInitResult < 0) {
        say(fileInitError(), nullptr);
        ghostTerm();
        fileTerm();
        rkeGlobalTerm();
        gFinished = true;
        return 1;
    }
    // Taken before the main window exists: it then opens this folder instead
    // of showing the dialog.
    if (const char *card = cmdlineGetCardFolderPtr()) ghostStorageDialogPreset(card);
    if (usiInit() < 0) {
        say("the main window cannot be created", nullptr);
        gCloseHow = USI_CLOSE_CANCELLED;
        usiTerm(0);
        return 1;
    }
    return -1;
}

int usiRun(int argc, char **argv, const char *dataFolder) {
    int status = usiStart(argc, argv, dataFolder);
    return status >= 0 ? status : usiMain();
}

// --- Closing ----------------------------------------------------------------------

void usiRequestExit(void) { ghostQuitRequest(); }

int usiClose(int how) {
    if (gFinished) return 1;
    if (how == USI_CLOSE_ASK && messageBox(DNASTR_TITLE_QUESTION, DNASTR_ASK_EXIT, MBOX_KIND_YES_NO) != MBOX_YES)
        return 0;
    gCloseHow = how;
    sWaveList *list = G.currentWaveList;
    // After the card has gone nothing more is written: its empty mount
    // folder is the computer's own disk.
    if (list && how != USI_CLOSE_ERROR && how != USI_CLOSE_CANCELLED) gCloseFailed = !saveLibrary(list);
    if (how == USI_CLOSE_ERROR) gCloseFailed = true;
    usiTerm(how == USI_CLOSE_ASK && gCardOpen);
    return 1;
}

int usiTerm(int eject) {
    if (gFinished) return gExitStatus;
    // After an error close the user has been told (message 88).
    bool saveFailed = gCloseFailed && gCloseHow != USI_CLOSE_ERROR;
    userTerm(G.viewFlag);
    // The preview's player reads the card and plays through the host's
    // sound output: it goes before either.
    waveWaveSelect(nullptr);
    if (gCtl.mainTerm) gCtl.mainTerm(gCtl.user);
    for (int i = 0; i < gCtl.secondaryCount; i++)
        if (gCtl.secondary[i].term) gCtl.secondary[i].term(gCtl.secondary[i].user);
    // The eject runs while the platform does, so its outcome can be shown; a
    // card that could not be saved stays mounted for the user to look at.
    int ejected = 1;
    if (eject && gCardOpen && !saveFailed) {
        char root[kGlobalRootMax];
        std::memcpy(root, G.volumeRoot, sizeof root);
        ejected = ejectCard(root);
    }
    usiCardRelease();
    // The user hears the outcome only now that it is known.
    if (saveFailed) messageBox(DNASTR_TITLE_ERROR, DNASTR_ERR_CLOSE_SAVE, 0);
    else if (gCloseHow == USI_CLOSE_ASK && ejected >= 0)
        messageBox(DNASTR_TITLE_QUESTION, ejected == 0 ? DNASTR_NOTE_EXIT_SAVE : DNASTR_NOTE_SAVED, 0);
    ghostTerm();
    disposeLibraries();
    waveRequestFailureClear();
    fileTerm();
    rkeGlobalTerm();
    memPrintMemList();
    gExitStatus = gCloseFailed || ejected < 0 ? 1 : 0;
    gFinished = true;
    return gExitStatus;
}

// --- The card ---------------------------------------------------------------------

int usiCardOpen(const char *root) {
    struct stat st;
    size_t n = root ? std::strlen(root) : 0;
    if (n == 0 || stat(root, &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
    bool slash = root[n - 1] == '/';
    if (n + (slash ? 0 : 1) >= sizeof G.volumeRoot) return -1;
    usiCardRelease();
    // Held while the card is open, so no command writes it meanwhile; a file
    // system without locks is opened all the same (there is no one to ask).
    sCardLockRefusal why{};
    sCardLock *lock = cardLockTake(root, CARD_LOCK_EXCLUSIVE, 0, &why);
    if (!lock && why.err != ENOLCK && why.err != EOPNOTSUPP && why.err != EINVAL) {
        std::string holder = why.holderPid ? " (process " + std::to_string(why.holderPid) + ")" : "";
        say(root, ("the card is in use by another program" + holder).c_str());
        messageBox(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_IN_USE, MBOX_KIND_OK);
        return -2;
    }
    sCard *card = cardCreate(root);
    if (!card) {
        cardLockRelease(lock);
        return -1;
    }
    std::memcpy(G.volumeRoot, root, n);
    if (!slash) G.volumeRoot[n++] = '/';
    G.volumeRoot[n] = 0;
    gCardLock = lock;
    gCard = card;
    gCardOpen = true;
    // An edit a crash cut off is finished before the card is read, when the user agrees.
    if (journalPendingOnCard(G.volumeRoot)) {
        char failure[kGlobalRootMax];
        if (messageBox(DNASTR_TITLE_QUESTION, DNASTR_ASK_FINISH_EDIT, MBOX_KIND_YES_NO) != MBOX_YES) {
            usiCardRelease();
            return -1;
        }
        if (journalRecoverCard(G.volumeRoot, failure, sizeof failure) != 0) {
            say(G.volumeRoot, failure);
            usiCardRelease();
            return -1;
        }
    }
    return 0;
}

bool usiCardGone(void) {
    // A pulled card leaves its mount folder behind, and another card may be
    // mounted there since: the card must still be the one that was opened.
    return !gCardOpen || cardCheck(gCard) != 0 || waveVolumeCheck(G.volumeRoot) != 0;
}

void usiCardRelease(void) {
    // Before an eject: an open descriptor would keep the card busy.
    cardLockRelease(gCardLock);
    cardClose(gCard);
    gCardLock = nullptr;
    gCard = nullptr;
    gCardOpen = false;
}
