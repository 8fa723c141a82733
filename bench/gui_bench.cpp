// Draws a full 800 x 600 screen of the toolkit on the scripted host (Mesa's
// software renderer): the main background, 100 widgets (buttons, pads,
// sliders, fields, knobs) and 50 rows of text, every frame redrawn and timed
// to glFinish. The anchor, in the same run and window, clears and draws one
// full-screen textured quad to glFinish. Target: at most 10 times the anchor.
//
// Usage: bench_gui [FOLDER]   (scratch space for the pack; default $TMPDIR or /var/tmp)
#include <GL/gl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_util.h"
#include "foundation/global.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "gui/button.h"
#include "gui/frame.h"
#include "gui/gifqueue.h"
#include "gui/label.h"
#include "gui/slider.h"
#include "gui/sprite.h"
#include "gui/text.h"
#include "gui/texture.h"
#include "gui/ui.h"
#include "gui/volume.h"
#include "platform/ghost.h"
#include "platform/headless/headless.h"
#include "resource/pack.h"
#include "resource/pictures.h"

namespace {

constexpr int kW = 800, kH = 600, kFrames = 30;

// Every picture of the table at its size, in a colour of its own.
std::vector<uint8_t> packBytes() {
    std::vector<std::vector<uint8_t>> entries;
    for (const sPicture &p : kPictures) {
        std::vector<uint8_t> t(18, 0);
        t[2] = 2;
        t[12] = uint8_t(p.width), t[13] = uint8_t(p.width >> 8);
        t[14] = uint8_t(p.height), t[15] = uint8_t(p.height >> 8), t[16] = p.bits;
        for (int i = 0; i < p.width * p.height; i++)
            for (int c = 0; c < p.bits / 8; c++) t.push_back(uint8_t(c == 3 ? 255 : 40 + (p.id * (c + 3) * 17) % 200));
        entries.push_back(std::move(t));
    }
    return rkePackBuild(entries, 0, nullptr, nullptr);
}

struct BenchScreen : CgifUI {
    CgifFrame *frame = nullptr;
    int init() override {
        if (initManagers(512, 1024) < 0 || loadPictures(kPictureCount) < 0) return 0;
        frame = new CgifFrame;
        addFrame(frame);
        frame->flags |= FRAME_FIXED_X | FRAME_FIXED_Y;
        return frame->setBackground(eFILE_MAIN_BG, 0, 0) == 0;
    }
    template <typename W>
    W *add() {
        W *w = new W;
        frame->addObject(w);
        return w;
    }
};

// 100 widgets and 50 text rows, laid out over the window.
void build(BenchScreen *s) {
    const char *names[] = {"Kick 01 Acoustic", "Snare Rim Shot", "Closed Hi-Hat", "Crash Cymbal 18", "Tom Low"};
    std::string kana = strUtf8ToSjis("スネア ドラム 太鼓");
    for (int i = 0; i < 50; i++) {
        auto *row = s->add<CgifUILabel>();
        row->init(eFILE_LIST_ROW);
        row->setWorldLeftTopPos(float(i < 25 ? 10 : 400), float(60 + (i % 25) * 20));
        row->getSprite()->setSize(380, 20);
        row->setFontSize(12);
        row->setMessageData(i % 5 == 2 ? kana.c_str() : names[i % 5]);
    }
    const int pad[2] = {eFILE_PAD, eFILE_PAD + 1}, play[4] = {eFILE_PLAY, eFILE_PLAY + 1, eFILE_PLAY + 2, eFILE_PLAY + 3};
    const int bar[2] = {eFILE_TIMEBAR_TRACK, eFILE_TIMEBAR_KNOB};
    for (int i = 0; i < 100; i++) {
        float x = float(10 + (i % 20) * 39), y = float(10 + (i / 20) * 110);
        CgifUIObjBase *w;
        switch (i % 5) {
        case 0: w = s->add<CgifUIButton>(), w->init(pad, 2); break;
        case 1: w = s->add<CgifUIButton>(), w->init(play, 4); break;
        case 2: w = s->add<CgifUISlider2>(), w->init(bar, 2), static_cast<CgifUISlider2 *>(w)->setType(SLIDER_HORIZONTAL); break;
        case 3: {
            auto *t = s->add<CgifUIText>();
            t->init(eFILE_NAME_FIELD);
            t->setMessageData("Rock Kit");
            w = t;
            break;
        }
        default: w = s->add<CgifUIVolume>(), w->init(); break;
        }
        w->setWorldLeftTopPos(x, y);
    }
}

double drawScreen(BenchScreen *s) {
    double t0 = benchNow();
    for (int i = 0; i < kFrames; i++) {
        s->setDrawAll();
        s->draw();
        glFinish();
    }
    return (benchNow() - t0) / kFrames;
}

double drawQuad(const CgifTexObj *t) {
    double t0 = benchNow();
    for (int i = 0; i < kFrames; i++) {
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kW, kH, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, t->name);
        float u, v;
        t->getRate(&u, &v);
        glBegin(GL_QUADS);
        glTexCoord2f(0, v), glVertex2f(0, 0);
        glTexCoord2f(u, v), glVertex2f(kW, 0);
        glTexCoord2f(u, 0), glVertex2f(kW, kH);
        glTexCoord2f(0, 0), glVertex2f(0, kH);
        glEnd();
        glFinish();
    }
    return (benchNow() - t0) / kFrames;
}

}  // namespace

int main(int argc, char **argv) {
    memInit();
    hlInstall();
    rkeGlobalInit();
    G.gifQueue = gifQInit();
    std::string why;
    if (ghostInit() != 0 || !hlGlAvailable(&why)) {
        std::fprintf(stderr, "bench_gui: no OpenGL on the scripted host: %s\n", why.c_str());
        return 1;
    }
    std::string dir = benchMakeDir(argc > 1 ? argv[1] : nullptr, "gui");
    std::vector<uint8_t> pack = packBytes();
    _sWindow *win = ghostWindowCreate(L"bench", 0, 0, kW, kH, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0);
    if (!win || ghostActivateWindowDrawingContext(win) != 0 ||
        rliFileWriteAll((dir + "/pack.bin").c_str(), pack.data(), pack.size()) != 0) {
        std::fprintf(stderr, "bench_gui: cannot set up the window or the pack in %s\n", dir.c_str());
        return 1;
    }
    utf8towchar(G.currentDir, kGlobalDirMax, (dir + "/").c_str());
    char reason[160];
    if (!rkePackLoad(L"pack.bin", reason, sizeof reason)) {
        std::fprintf(stderr, "bench_gui: pack refused: %s\n", reason);
        return 1;
    }
    auto *screen = new BenchScreen;
    screen->setWindowSize(kW, kH);
    if (!screen->init()) {
        std::fprintf(stderr, "bench_gui: the screen cannot be built\n");
        return 1;
    }
    build(screen);
    const CgifTexObj *background = screen->textures->getTexObject(eFILE_MAIN_BG);
    drawScreen(screen);  // warm: first uploads and caches
    drawQuad(background);
    double best[2];
    if (!benchBestOfTwo(best, [&](int side) { return side == 0 ? drawScreen(screen) : drawQuad(background); })) return 1;
    benchReport("screen of 100 widgets and 50 text rows, one frame", best[0], "one textured quad", best[1], 10.0);
    delete screen;
    rkeFileDisposeAll();
    ghostWindowDispose(win);
    ghostTerm();
    gifQTerm(G.gifQueue);
    benchRemoveTree(dir);
    return 0;
}
