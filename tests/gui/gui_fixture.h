// A screen on the scripted host for toolkit tests: an EGL pbuffer window,
// a resource pack built here (every picture of the table at its size, one
// colour per picture, its top row white), the toolkit's message queue, and
// helpers that post real window events and feed them to a screen as a
// window controller would.
#pragma once

#include <array>
#include <cwchar>
#include <string>
#include <vector>

#include "foundation/global.h"
#include "gui/frame.h"
#include "gui/gifqueue.h"
#include "gui/objmng.h"
#include "gui/ui.h"
#include "platform/evqueue.h"
#include "resource/pack.h"
#include "resource/pictures.h"
#include "support/headless.h"

// The colour of test picture `id` (its top row is white; the progress bar's
// outline, drawn over the bar, is transparent but for its edge).
inline std::array<uint8_t, 3> gtColor(int id) {
    return {uint8_t(40 + id * 37 % 200), uint8_t(40 + id * 91 % 200), uint8_t(40 + id * 53 % 200)};
}

// A TGA picture: uncompressed true colour, bottom row first; `pixel(x, y)`
// gives blue, green, red, alpha with y counted from the top.
template <typename F>
std::vector<uint8_t> gtTga(int w, int h, int bits, F pixel) {
    std::vector<uint8_t> t(18, 0);
    t[2] = 2;
    t[12] = uint8_t(w), t[13] = uint8_t(w >> 8), t[14] = uint8_t(h), t[15] = uint8_t(h >> 8), t[16] = uint8_t(bits);
    for (int y = h - 1; y >= 0; y--)
        for (int x = 0; x < w; x++) {
            std::array<uint8_t, 4> p = pixel(x, y);
            t.insert(t.end(), p.begin(), p.begin() + bits / 8);
        }
    return t;
}

// The pack of test pictures, built once.
inline const std::string &gtPackBytes() {
    static const std::string bytes = [] {
        std::vector<std::vector<uint8_t>> entries;
        for (const sPicture &p : kPictures) {
            auto c = gtColor(p.id);
            entries.push_back(gtTga(p.width, p.height, p.bits, [&](int x, int y) {
                bool inside = x > 0 && y > 0 && x < p.width - 1 && y < p.height - 1;
                uint8_t alpha = p.id == eFILE_BAR_FRAME && inside ? 0 : 255;
                return y == 0 ? std::array<uint8_t, 4>{255, 255, 255, 255} : std::array<uint8_t, 4>{c[2], c[1], c[0], alpha};
            }));
        }
        std::vector<uint8_t> pack = rkePackBuild(entries, 0, nullptr, nullptr);
        return std::string(pack.begin(), pack.end());
    }();
    return bytes;
}

// A screen of one frame covering the window, holding the widgets a test adds.
class GtScreen : public CgifUI {
public:
    CgifFrame *frame = nullptr;
    std::vector<std::string> reports;  // the object manager's calls, in order

    int init() override {
        if (initManagers(512, 256) < 0 || loadPictures(kPictureCount) < 0) return 0;
        frame = new CgifFrame;
        addFrame(frame);
        frame->flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_DIRTY;
        return frame->setBackground(-1, 0, 0, float(windowWidth), float(windowHeight)) == 0;
    }
    // Adds and builds a widget of the frame (init forms by argument).
    template <typename W, typename... A>
    W *add(A... initArgs) {
        setManeger();
        W *w = new W;
        frame->addObject(w);
        EXPECT_EQ(w->init(initArgs...), 0);
        return w;
    }
    void calcSetObject(CgifUIObjBase *) override { reports.push_back("hold"); }
    int calcObject(CgifUIObjBase *) override { return reports.push_back("change"), 1; }
    void deleteFrameObject(CgifUIObjBase *) override { reports.push_back("release"); }
};

class GuiTest : public HeadlessTest {
protected:
    static constexpr int kW = 400, kH = 300;
    _sWindow *win = nullptr;
    _sEvQueue *events = nullptr;
    GtScreen *screen = nullptr;

    void SetUp() override {
        HeadlessTest::SetUp();
        rkeGlobalInit();
        G.gifQueue = gifQInit();
        ASSERT_EQ(ghostInit(), 0);
        std::string why;
        if (!hlGlAvailable(&why)) GTEST_SKIP() << "no OpenGL: " << why;
        events = evQInit();
        win = ghostWindowCreate(L"gui", 0, 0, kW, kH, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0);
        ASSERT_NE(win, nullptr);
        ghostWindowSetHandler(
            [](_sWindow *, void *q, uint16_t code, int32_t value, char key, const char *text) {
                evQenterExt(code, value, key, text, static_cast<_sEvQueue *>(q));
            },
            events, win);
        ASSERT_EQ(ghostActivateWindowDrawingContext(win), 0);
        // Loaded as start-up loads it, relative to the loader's folder.
        ASSERT_TRUE(testWriteFile(dir / "pack.bin", gtPackBytes()));
        std::wcsncpy(G.currentDir, testWide(dir.path() + "/").c_str(), kGlobalDirMax - 1);
        ASSERT_NE(rkePackLoad(L"pack.bin", nullptr, 0), nullptr);
        screen = new GtScreen;
        screen->setWindowSize(kW, kH);
        ASSERT_EQ(screen->init(), 1);
    }

    void TearDown() override {
        if (win) ghostActivateWindowDrawingContext(win);
        delete screen;
        rkeFileDisposeAll();
        evQTerm(events);
        ghostWindowDispose(win);
        ghostTerm();
        gifQTerm(G.gifQueue);
        rkeGlobalTerm();
        HeadlessTest::TearDown();
    }

    // Handles what was posted and feeds every event to the screen as a
    // controller does. Returns the calc results ORed.
    int run() {
        ghostEventsProcess(0);
        int any = 0;
        intptr_t value;
        char key, text[256];
        while (uint16_t code = evQread(&value, &key, text, sizeof text, events))
            any |= screen->calc(code, int(value), key, text[0] ? text : nullptr);
        return any;
    }
    void move(int x, int y) { hlPostMouse(win, OSEV_MOUSE_MOVE, 0, x, y); }
    void press(int x, int y, int button = OS_BUTTON_LEFT) { hlPostMouse(win, OSEV_BUTTON_DOWN, button, x, y); }
    void release(int x, int y, int button = OS_BUTTON_LEFT) { hlPostMouse(win, OSEV_BUTTON_UP, button, x, y); }
    void click(int x, int y) { press(x, y), release(x, y); }
    // A key typed: down and up; `text` is what it types.
    void type(uint32_t keysym, const char *text = "") {
        hlPostKey(win, keysym, text, true);
        hlPostKey(win, keysym, text, false);
    }
    void typeText(const char *ascii) {
        for (const char *p = ascii; *p; p++) type(uint32_t(*p), std::string(1, *p).c_str());
    }
    // Every message of G.gifQueue: message, value, param.
    std::vector<std::array<intptr_t, 3>> messages() {
        std::vector<std::array<intptr_t, 3>> out;
        intptr_t v, p;
        while (int32_t m = gifQread(&v, &p, nullptr, 0, G.gifQueue)) out.push_back({m, v, p});
        return out;
    }
    // Draws the screen and returns the colour at window point (x, y), y down.
    std::array<uint8_t, 3> pixel(int x, int y) {
        screen->setDrawAll();
        screen->draw();
        uint8_t p[4] = {};
        hlReadPixels(win, x, kH - 1 - y, 1, 1, p);
        return {p[0], p[1], p[2]};
    }
};
