// The terminal host. See terminal.h.
#include "terminal.h"
#include "platform/sound/sound.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <ctime>

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

FILE *errStream() { return term().err ? term().err : stderr; }
FILE *inStream() { return term().in ? term().in : stdin; }

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
        std::fputs(kind == 2 ? "[y]es, [c]ancel or [n]o? " : "[y]es or [n]o? ", err);
        std::fflush(err);
        char line[64];
        if (!std::fgets(line, sizeof line, inStream())) return 0;
        std::string a;
        for (char *p = line; *p && *p != '\n'; p++)
            if (!std::isspace(static_cast<unsigned char>(*p))) a += static_cast<char>(std::tolower(*p));
        if (a == "y" || a == "yes") return 2;
        if (a == "n" || a == "no") return 3;
        if (kind == 2 && (a == "c" || a == "cancel")) return 4;
    }
    return 0;
}

int tMessageBox(const wchar_t *title, const wchar_t *message, int kind) {
    FILE *err = errStream();
    std::string t = utf8(title), m = utf8(message);
    std::fprintf(err, "%s%s%s\n", t.c_str(), t.empty() ? "" : ": ", m.c_str());
    if (kind == 0) return 1;
    // Without an answer the question is declined: "no" for yes/no, "cancel"
    // where there is one, so nothing happens that nobody agreed to.
    int unanswered = kind == 2 ? 4 : 3;
    int r;
    switch (term().answer) {
    case TERM_ANSWER_YES: r = 2; break;
    case TERM_ANSWER_NO: r = 3; break;
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
    if (r != 2) term().declined = true;
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
