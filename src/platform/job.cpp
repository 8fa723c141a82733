// The job runner: worker thread, progress window controller, questions from
// the worker. See job.h.
#include "job.h"

#include <csignal>
#include <cmath>
#include <cstring>
#include <ctime>
#include <new>

#include "foundation/mem.h"
#include "platform/evqueue.h"

std::atomic<int32_t> gnReadFile{0};
std::atomic<int32_t> gReadFileMax{0};

namespace {

constexpr int kBarWidth = 300;
constexpr int kBarHeight = 100;
constexpr const wchar_t *kBarTitle = L"KVB-RT Wave Manager - ProgressBar";
constexpr const char *kBarFirstMessage = "Now Loading ....";
constexpr uint16_t kMenuHelp = 1022;

// Set on the worker, so a question knows it must be handed to the main thread.
thread_local bool tOnWorker = false;

// --- Progress window state (one window for the whole program) ---
bool gOpen = false;                       // the window is open (with or without a host window)
_sWindow *gpProgressBarWin = nullptr;     // the host's window; null on hosts without windows
_sEvQueue *gpProgressBarQueue = nullptr;  // the window's events
_sMyThread *gpThread = nullptr;           // the running job
threadCancelFn gCancelFunc = nullptr;
void *gCancelArg = nullptr;             // the running job's argument
const sProgressView *gpView = nullptr;    // the view drawing the open window
const sProgressView *gpViewSet = nullptr; // installed with editProgressBarSetView
sProgressBarCallbacks gCb{};
std::atomic<float> gBarRatio{0.0f};
std::atomic<int32_t> gbProgressBarGuiUpdate{0};
std::atomic<int32_t> gbProgressBarCloseReuest{0};
bool gbTermRequest = false;
int64_t gTermRequestTime = 0;
int gbParent = 0;
float gViewRatio = 0.0f;   // the ratio last handed to the view
int gCancelPresses = 0;    // presses since the window opened

// --- A question from the worker, waiting for the main thread ---
enum : int32_t { MBOX_IDLE = 0, MBOX_ASKED = 1, MBOX_ANSWERED = 2 };
struct sMboxRequest {
    int title;              // string-table number
    int message;            // string-table number, used when text is null
    const wchar_t *text;    // ready message, or null
    int kind;
    int answer;
};
sMboxRequest gMboxRequest{};
std::atomic<int32_t> gMboxState{MBOX_IDLE};

static_assert(std::atomic<float>::is_always_lock_free && std::atomic<int32_t>::is_always_lock_free,
              "shared words must be plain atomic words");

const sProgressView *view() {
    if (gpViewSet) return gpViewSet;
    const sOsHost *h = ghostHost();
    return h ? h->progressView : nullptr;
}

void sleepMs(long ms) {
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

const wchar_t *text(int id) {
    const wchar_t *t = gCb.text ? gCb.text(gCb.user, id) : nullptr;
    return t ? t : L"DUMMY";
}

int mboxShow(int title, int message, const wchar_t *msgText, int kind) {
    // Both lookups stay valid together (the string table keeps two results).
    const wchar_t *t = text(title);
    const wchar_t *m = msgText ? msgText : text(message);
    return ghostMBoxOpen(t, m, kind, gpProgressBarWin);
}

// Shows the worker's waiting question, if any, and wakes the worker.
void mboxServe() {
    if (gMboxState.load(std::memory_order_acquire) != MBOX_ASKED) return;
    sMboxRequest &r = gMboxRequest;
    r.answer = mboxShow(r.title, r.message, r.text, r.kind);
    gMboxState.store(MBOX_ANSWERED, std::memory_order_release);
    gMboxState.notify_all();
}

int mboxAsk(int title, int message, const wchar_t *msgText, int kind) {
    if (!tOnWorker) return mboxShow(title, message, msgText, kind);
    gMboxRequest = sMboxRequest{title, message, msgText, kind, 0};
    gMboxState.store(MBOX_ASKED, std::memory_order_release);
    ghostWake();  // the main thread may be waiting for host events
    for (int32_t s = MBOX_ASKED; s == MBOX_ASKED; s = gMboxState.load(std::memory_order_acquire))
        gMboxState.wait(MBOX_ASKED, std::memory_order_acquire);
    int answer = gMboxRequest.answer;
    gMboxState.store(MBOX_IDLE, std::memory_order_release);
    return answer;
}

void *threadLoop(void *arg) {
    _sMyThread *t = static_cast<_sMyThread *>(arg);
    tOnWorker = true;
    // A started job runs at least once, even when the end is asked for before
    // the worker got going: its caller was told it started.
    do {
        if (t->job) {
            if (t->job(t->arg) != 0) t->endRequest.store(1, std::memory_order_release);
        } else {
            sleepMs(1);
        }
    } while (!t->endRequest.load(std::memory_order_acquire));
    t->ended.store(1, std::memory_order_release);
    ghostWake();
    return nullptr;
}

void queueHandler(_sWindow *, void *, uint16_t code, int32_t value, char key, const char *txt) {
    if (gpProgressBarQueue) evQenterExt(code, value, key, txt, gpProgressBarQueue);
}

void placeWindow(int noParent, int *x, int *y) {
    _sWindow *main = gCb.mainWindow ? gCb.mainWindow(gCb.user) : nullptr;
    gbParent = noParent ? 0 : 1;
    if (gbParent && main) {
        int mx = 0, my = 0;
        ghostWindowGetWindowPosition(&mx, &my, main);
        *x = mx + main->frameWidth / 2 - kBarWidth / 2;
        *y = my + main->frameHeight / 2 - kBarHeight / 2;
        return;
    }
    int dw = 0, dh = 0;
    ghostDisplayGetSize(&dw, &dh);
    *x = (dw - kBarWidth) / 2;
    *y = (dh - kBarHeight) / 2;
}

void handToView(bool force) {
    float r = gBarRatio.load(std::memory_order_acquire);
    bool redraw = gbProgressBarGuiUpdate.exchange(0, std::memory_order_acq_rel) != 0;
    if ((force || redraw || r != gViewRatio) && gpView && gpView->setRatio) gpView->setRatio(r);
    gViewRatio = r;
}

bool jobEnded() { return !gpThread || threadGetEnd(gpThread); }

}  // namespace

// --- Worker thread --------------------------------------------------------------

_sMyThread *threadCreate(threadJobFn job, void *arg) {
    void *mem = memCalloc(sizeof(_sMyThread), "Thread");
    if (!mem) return nullptr;
    _sMyThread *t = new (mem) _sMyThread{};
    t->job = job;
    t->arg = arg;
    // The worker inherits this mask: interrupts go to the main thread, whose
    // wait loop decides what a Ctrl-C means for the job.
    sigset_t block, old;
    sigemptyset(&block);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&block, s);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    int rc = pthread_create(&t->thread, nullptr, threadLoop, t);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (rc != 0) {
        t->~_sMyThread();
        memFree(t);
        return nullptr;
    }
    return t;
}

void threadSetEndRequest(_sMyThread *t) {
    if (t) t->endRequest.store(1, std::memory_order_release);
}

int threadGetEnd(const _sMyThread *t) { return t && t->ended.load(std::memory_order_acquire) ? 1 : 0; }

void threadDispose(_sMyThread *t) {
    if (!t) return;
    threadSetEndRequest(t);
    // A worker waiting for an answer would never end: keep answering.
    while (!threadGetEnd(t)) {
        if (!tOnWorker) mboxServe();
        sleepMs(1);
    }
    pthread_join(t->thread, nullptr);
    t->~_sMyThread();
    memFree(t);
}

// --- Progress view and callbacks ------------------------------------------------

void editProgressBarSetView(const sProgressView *v) { gpViewSet = v; }

void editProgressBarSetCallbacks(const sProgressBarCallbacks *callbacks) {
    gCb = callbacks ? *callbacks : sProgressBarCallbacks{};
}

// --- Progress window ------------------------------------------------------------

int editProgressBarInit(threadJobFn job, void *arg, threadCancelFn cancel, int noParent, const char *message) {
    if (gCb.mainAble) gCb.mainAble(gCb.user, 0);
    gBarRatio.store(0.0f, std::memory_order_release);
    if (!gOpen) {
        gOpen = true;
        gCancelPresses = 0;
        gbProgressBarCloseReuest.store(0, std::memory_order_release);
        int x = 0, y = 0;
        placeWindow(noParent, &x, &y);
        // A host without windows (the terminal) runs the job all the same.
        gpProgressBarWin = ghostWindowCreate(kBarTitle, x, y, kBarWidth, kBarHeight, kBarWidth, kBarHeight,
                                             kBarWidth, kBarHeight, 0, 1, 0, 0, 0, 0);
        if (gpProgressBarWin) {
            ghostWindowSetHandler(queueHandler, nullptr, gpProgressBarWin);
            ghostGraphicsFinish(gpProgressBarWin);
        }
        if (!gpProgressBarQueue) gpProgressBarQueue = evQInit();
        gpView = view();
        gViewRatio = 0.0f;
        if (gpView && gpView->open)
            gpView->open(gpProgressBarWin, message ? message : kBarFirstMessage, cancel ? 1 : 0, noParent);
        handToView(true);
    }
    if (job) {
        // One job at a time: a previous one is finished before the next starts.
        threadDispose(gpThread);
        gpThread = threadCreate(job, arg);
        if (!gpThread) {
            editProgressBarTerm();
            return -1;
        }
        gCancelFunc = cancel;
        gCancelArg = arg;
    }
    gbTermRequest = false;
    return 0;
}

void editProgressBarMain(void) {
    if (!gOpen) return;
    if (gpProgressBarWin) ghostSetActive(gpProgressBarWin);
    for (;;) {
        if (evQcount(gpProgressBarQueue) == 0) ghostEventsProcess(0);
        mboxServe();
        intptr_t value = 0;
        char key = 0;
        uint16_t code = evQread(&value, &key, nullptr, 0, gpProgressBarQueue);
        bool closing = code == WEV_CLOSE_BOX || gbProgressBarCloseReuest.load(std::memory_order_acquire) ||
                       (gpThread && threadGetEnd(gpThread));
        if (!closing && code == kMenuHelp && gCb.help) gCb.help(gCb.user);
        if (closing && !gbTermRequest) {
            gbTermRequest = true;
            gTermRequestTime = ghostGetTime();
            edtiProgressBarSetRatio(1.0f);
            editProgressBarUpdateRequest();
        }
        handToView(false);
        if (gpView && gpView->step) gpView->step(code, int32_t(value), key);
        if (!gOpen) return;  // the view's step may have closed the window
        if (code == 0) break;
    }
    // A closing window shows its full bar for the host's hold time; it stays
    // until the job has ended, so closing never blocks the main thread.
    const sOsHost *h = ghostHost();
    int64_t hold = h ? h->progressHoldMs : 0;
    if (gbTermRequest && ghostGetTime() - gTermRequestTime >= hold && jobEnded()) {
        editProgressBarTerm();
        gbProgressBarCloseReuest.store(0, std::memory_order_release);
    }
}

int editProgressBarGetIsWindow(void) { return gOpen ? 1 : 0; }

int editProgressBarTerm(void) {
    if (!gOpen) return 0;
    threadDispose(gpThread);
    gpThread = nullptr;
    gCancelFunc = nullptr;
    gCancelArg = nullptr;
    if (gpView && gpView->close) gpView->close();
    gpView = nullptr;
    evQTerm(gpProgressBarQueue);
    gpProgressBarQueue = nullptr;
    ghostWindowDispose(gpProgressBarWin);
    gpProgressBarWin = nullptr;
    gOpen = false;
    gbTermRequest = false;
    if (gCb.mainAble) gCb.mainAble(gCb.user, 1);
    if (gbParent && gCb.mainWindow) ghostWindowActivate(gCb.mainWindow(gCb.user));
    return 0;
}

int editProgressBarRun(threadJobFn job, void *arg, threadCancelFn cancel, int noParent, const char *message,
                       int *cancelPresses) {
    if (cancelPresses) *cancelPresses = 0;
    if (editProgressBarInit(job, arg, cancel, noParent, message) < 0) return -1;
    while (editProgressBarGetIsWindow()) editProgressBarMain();
    // Counted until the next window opens.
    if (cancelPresses) *cancelPresses = gCancelPresses;
    return 0;
}

void edtiProgressBarSetRatio(float ratio) {
    if (std::isnan(ratio)) ratio = 0.0f;
    if (ratio > 1.0f) ratio = 1.0f;
    gBarRatio.store(ratio, std::memory_order_release);
}

void editProgressBarUpdateRequest(void) { gbProgressBarGuiUpdate.store(1, std::memory_order_release); }

void pbarRatio(void) {
    int32_t n = gnReadFile.fetch_add(1, std::memory_order_acq_rel) + 1;
    int32_t max = gReadFileMax.load(std::memory_order_acquire);
    if (max > 0) edtiProgressBarSetRatio(static_cast<float>(n) / static_cast<float>(max));
    editProgressBarUpdateRequest();
}

void editProgressBarSetWindowCloseRequest(void) { gbProgressBarCloseReuest.store(1, std::memory_order_release); }

void editProgressBarSetMessage(const char *txt) {
    if (gOpen && gpView && gpView->setMessage) gpView->setMessage(txt ? txt : "");
}

void edtiProgressBarAble(int able) { ghostWindowSetAble(gpProgressBarWin, able); }

int editProgressBarGetParent(void) { return gbParent; }

_sWindow *editProgressBarGetWindow(void) { return gpProgressBarWin; }

void editProgressBarCancelPress(void) {
    if (!gOpen) return;
    gCancelPresses++;
    if (gCancelFunc) gCancelFunc(gCancelArg);
}

int editProgressBarMboxOpen(int title, int message, int kind) { return mboxAsk(title, message, nullptr, kind); }

int editProgressBarMboxOpenMsg(int title, const wchar_t *txt, int kind) {
    return mboxAsk(title, 0, txt ? txt : L"", kind);
}
