// The terminal host. See terminal.h.
#include "terminal.h"
#include "platform/sound/sound.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstring>
#include <ctime>

#include "platform/job.h"

namespace {

struct sTerm {
    int answer = TERM_ANSWER_ASK;
    FILE *in = nullptr;    // null: stdin
    FILE *err = nullptr;   // null: stderr
    int interactive = -1;  // -1: when stdin is a terminal
    bool declined = false;
    std::vector<sOsVolume> snapshot;
};

sTerm &term() {
    static sTerm t;
    return t;
}

// --- Ctrl-C -----------------------------------------------------------------------

// Presses caught since termInstall. The handler only counts; what a press
// means is decided on the main thread by the progress view's step.
std::atomic<int> gInterrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free counter");

struct sInterruptCatch {
    bool command = false;  // the command writes (termInterruptCatch)
    bool job = false;      // a cancellable job runs
    bool installed = false;
    struct sigaction previous {};
};

sInterruptCatch &catcher() {
    static sInterruptCatch c;
    return c;
}

extern "C" void interruptHandler(int) { gInterrupts.fetch_add(1, std::memory_order_relaxed); }

// Catches SIGINT while the command or the job asks for it, else leaves the
// disposition the process had.
void interruptApply() {
    sInterruptCatch &c = catcher();
    bool want = c.command || c.job;
    if (want && !c.installed) {
        struct sigaction sa {};
        sa.sa_handler = interruptHandler;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;  // file operations under way are not cut short
        if (sigaction(SIGINT, &sa, &c.previous) == 0) c.installed = true;
    } else if (!want && c.installed) {
        sigaction(SIGINT, &c.previous, nullptr);
        c.installed = false;
    }
}

// --- Progress line ----------------------------------------------------------------

constexpr int kBarCells = 20;

struct sProgressLine {
    bool open = false;
    bool hasCancel = false;
    int drawTty = -1;         // -1: when the error stream is a terminal
    std::string message;
    float ratio = 0.0f;
    bool dirty = false;       // something changed since the line was drawn
    bool shown = false;       // a line stands on the terminal now
    int seenInterrupts = 0;   // presses already reported to the job
    bool told = false;        // the user was told what a press does
};

sProgressLine &line() {
    static sProgressLine l;
    return l;
}

FILE *errStream() { return term().err ? term().err : stderr; }
FILE *inStream() { return term().in ? term().in : stdin; }

bool lineDrawn() {
    if (line().drawTty >= 0) return line().drawTty == 1;
    return isatty(fileno(errStream())) == 1;
}

// Takes the progress line off the terminal, so other output starts on a clean line.
void lineClear() {
    sProgressLine &l = line();
    if (!l.shown) return;
    std::fputs("\r\033[K", errStream());
    std::fflush(errStream());
    l.shown = false;
    l.dirty = true;
}

// "<message> [#########-----------]  45%", cut to the terminal's width.
void lineDraw() {
    sProgressLine &l = line();
    l.dirty = false;
    if (!lineDrawn()) return;
    FILE *err = errStream();
    int cols = 80;
    winsize ws{};
    if (ioctl(fileno(err), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) cols = ws.ws_col;
    float r = l.ratio > 0.0f ? l.ratio : 0.0f;
    int percent = static_cast<int>(100.0f * r);
    int filled = percent * kBarCells / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarCells - filled), '-');
    // Room for the message: the columns left of " [bar] 100%", one spare so
    // the cursor never wraps; counted in characters, not bytes.
    int room = cols - (kBarCells + 9);
    std::string msg;
    int chars = 0;
    for (unsigned char c : l.message) {
        if ((c & 0xC0) != 0x80 && ++chars > room) break;
        msg += static_cast<char>(c);
    }
    std::fprintf(err, "\r%s [%s] %3d%%\033[K", msg.c_str(), bar.c_str(), percent);
    std::fflush(err);
    l.shown = true;
}

void pOpen(_sWindow *, const char *message, int hasCancel, int) {
    sProgressLine &l = line();
    l.open = true;
    l.hasCancel = hasCancel != 0;
    l.message = message ? message : "";
    l.ratio = 0.0f;
    l.dirty = true;
    l.seenInterrupts = gInterrupts.load();
    l.told = false;
    // A cancellable job is stopped by Ctrl-C even in a command that only reads.
    catcher().job = l.hasCancel;
    interruptApply();
}

void pRatio(float ratio) {
    sProgressLine &l = line();
    auto percent = [](float r) { return r > 0.0f ? static_cast<int>(100.0f * r) : 0; };
    if (percent(ratio) != percent(l.ratio)) l.dirty = true;
    l.ratio = ratio;
}

void pMessage(const char *message) {
    line().message = message ? message : "";
    line().dirty = true;
}

void pStep(uint16_t, int32_t, char) {
    sProgressLine &l = line();
    for (int n = gInterrupts.load(); l.seenInterrupts < n; l.seenInterrupts++) {
        if (!l.told) {
            lineClear();
            std::fputs(l.hasCancel ? "kvbrt: interrupted; cancelling\n"
                                   : "kvbrt: interrupted; finishing the files being written first\n",
                       errStream());
            l.told = true;
        }
        editProgressBarCancelPress();
    }
    if (l.dirty) lineDraw();
}

void pClose(void) {
    lineClear();
    line().open = false;
    line().dirty = false;
    catcher().job = false;
    interruptApply();
}

const sProgressView kProgressView = {pOpen, pRatio, pMessage, pStep, pClose};

bool canAsk() {
    if (term().interactive >= 0) return term().interactive == 1;
    return isatty(STDIN_FILENO) == 1;
}

std::string utf8(const wchar_t *w) {
    char buf[4096];
    wcs2utf8s(buf, sizeof buf, w ? w : L"");  // a cut text is still worth printing
    return buf;
}

// Asks on the terminal. Returns the result, or 0 when nothing usable came back.
int ask(int kind) {
    FILE *err = errStream();
    for (int tries = 0; tries < 3; tries++) {
        std::fputs(kind == MBOX_KIND_YES_CANCEL_NO ? "[y]es, [c]ancel or [n]o? " : "[y]es or [n]o? ", err);
        std::fflush(err);
        char line[64];
        if (!std::fgets(line, sizeof line, inStream())) return 0;
        std::string a;
        for (char *p = line; *p && *p != '\n'; p++)
            if (!std::isspace(static_cast<unsigned char>(*p))) a += static_cast<char>(std::tolower(*p));
        if (a == "y" || a == "yes") return MBOX_YES;
        if (a == "n" || a == "no") return MBOX_NO;
        if (kind == MBOX_KIND_YES_CANCEL_NO && (a == "c" || a == "cancel")) return MBOX_CANCEL;
    }
    return 0;
}

int tMessageBox(const wchar_t *title, const wchar_t *message, int kind) {
    lineClear();
    FILE *err = errStream();
    std::string t = utf8(title), m = utf8(message);
    std::fprintf(err, "%s%s%s\n", t.c_str(), t.empty() ? "" : ": ", m.c_str());
    if (kind == MBOX_KIND_OK) return MBOX_OK;
    // Without an answer the question is declined: "no" for yes/no, "cancel"
    // where there is one, so nothing happens that nobody agreed to.
    int unanswered = kind == MBOX_KIND_YES_CANCEL_NO ? MBOX_CANCEL : MBOX_NO;
    int r;
    switch (term().answer) {
    case TERM_ANSWER_YES: r = MBOX_YES; break;
    case TERM_ANSWER_NO: r = MBOX_NO; break;
    default:
        if (canAsk()) {
            r = ask(kind);
            if (r == 0) r = unanswered;
        } else {
            std::fputs("(no terminal to ask; give --yes or --no)\n", err);
            r = unanswered;
        }
        break;
    }
    if (r != MBOX_YES) term().declined = true;
    return r;
}

void tPump(void) {
    timespec ms{0, 1000000};
    nanosleep(&ms, nullptr);
}

int64_t tTime(void) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int tLanguage(char *buf, size_t cap) { return ghostLanguageFromEnvironment(buf, cap); }

int tVolumeScan(void) {
    term().snapshot = mntVolumesRead();
    return static_cast<int>(term().snapshot.size());
}

int tVolumeGet(int i, sOsVolume *out) {
    const auto &v = term().snapshot;
    if (i < 0 || i >= static_cast<int>(v.size())) return -1;
    *out = v[i];
    return 0;
}

// Everything not listed is a service a terminal does not have.
const sOsHost kHost = [] {
    sOsHost h{};
    h.name = "terminal";
    h.pump = tPump;
    h.timeMs = tTime;
    h.language = tLanguage;
    h.volumeScan = tVolumeScan;
    h.volumeGet = tVolumeGet;
    h.messageBox = tMessageBox;
    h.progressHoldMs = 0;  // a finished job returns the prompt at once
    h.progressView = &kProgressView;
    h.sound = soundOutputTable();
    return h;
}();

}  // namespace

const sOsHost *termHost(void) { return &kHost; }

void termInstall(void) {
    term().answer = TERM_ANSWER_ASK;
    term().in = nullptr;
    term().err = nullptr;
    term().interactive = -1;
    term().declined = false;
    line().drawTty = -1;
    catcher().command = false;
    interruptApply();
    gInterrupts.store(0);
    ghostHostInstall(&kHost);
}

void termSetAnswer(int answer) { term().answer = answer; }

void termSetStreams(FILE *in, FILE *err, int interactive) {
    term().in = in;
    term().err = err;
    term().interactive = interactive;
}

bool termQuestionDeclined(void) { return term().declined; }
void termClearDeclined(void) { term().declined = false; }

void termSetProgressLine(int on) { line().drawTty = on < 0 ? -1 : (on ? 1 : 0); }

void termInterruptCatch(int on) {
    catcher().command = on != 0;
    interruptApply();
}

int termInterruptCount(void) { return gInterrupts.load(); }
